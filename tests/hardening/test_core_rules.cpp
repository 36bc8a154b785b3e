// SPDX-License-Identifier: BSD-3-Clause
// Rules of the core that a changed line could break without another test
// noticing: sample rules, display and file layouts, the TIFF entry walk,
// header fields, the correction window and its interpolation, and the
// sanitizer's view of the image blocks.
#include "HardeningSupport.h"

#include "image/ImageBuffer.h"
#include "image/Packers.h"
#include "image/TiffWriter.h"
#include "recording/VornReader.h"

#include <array>
#include <cstring>

namespace {

void Le16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Le32(uint8_t* p, uint32_t v) {
    Le16(p, v);
    Le16(p + 2, v >> 16);
}

// A TIFF block whose IFD at 10 declares `count` entries and holds `entries`
// (tag, type, count, value), followed by a zeroed value area.
std::vector<uint8_t> Ifd(int count, const std::vector<std::array<uint32_t, 4>>& entries) {
    std::vector<uint8_t> block(400, 0);
    block[0] = block[1] = 'I';
    Le16(&block[2], 42);
    Le32(&block[4], 10);
    Le16(&block[10], static_cast<uint32_t>(count));
    for (size_t i = 0; i < entries.size(); ++i) {
        uint8_t* e = &block[12 + 12 * i];
        Le16(e, entries[i][0]);
        Le16(e + 2, entries[i][1]);
        Le32(e + 4, entries[i][2]);
        Le32(e + 8, entries[i][3]);
    }
    return block;
}

class RecordingFile : public ::testing::Test {
protected:
    std::unique_ptr<VornReader> Open(const std::vector<uint8_t>& bytes, int expected = 1) {
        const std::string path = (dir / "r.vrn").string();
        EXPECT_TRUE(WriteBytes(path.c_str(), bytes));
        auto reader = std::make_unique<VornReader>();
        EXPECT_EQ(reader->Open(path.c_str(), 1), expected) << VornErrorText(reader->error);
        return reader;
    }
    TempDir dir;
};

} // namespace

TEST(CoreRules, SixteenBitOutputShiftsOneByteContainersByTheirBits) {
    const uint8_t src[2] = {3, 255};
    uint16_t out[2] = {};
    PackGrayTiff(reinterpret_cast<uint8_t*>(out), 1 + 16 * 32, 8, 2, 1, src);
    EXPECT_EQ(out[0], 3 << 8);
    EXPECT_EQ(out[1], 255 << 8);
    PackGrayTiff(reinterpret_cast<uint8_t*>(out), 1 + 16 * 32, 4, 2, 1, src);
    EXPECT_EQ(out[0], 3 << 12);
    EXPECT_EQ(out[1], (255 << 12) & 0xFFFF); // truncated to 16 bits
}

TEST(CoreRules, RgbDisplaySizeAndRgbFileRowsAreUnpadded) {
    const std::vector<uint16_t> red(15, 400), green(15, 800), blue(15, 1020);
    ImageBuffer display;
    const BITMAPINFOHEADER* header =
        display.CreateDib(1, 2, 10, 5, 3, red.data(), green.data(), blue.data());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biSizeImage, 3u * 8 * 3); // three bytes per padded pixel
    EXPECT_EQ(display.dataSize, 72);

    // 5 x 3 RGB, 8 bits: rows of exactly 15 bytes, R G B per pixel.
    std::vector<uint16_t> r(15), g(15), b(15);
    for (int e = 0; e < 15; ++e) {
        r[static_cast<size_t>(e)] = static_cast<uint16_t>(4 * e);
        g[static_cast<size_t>(e)] = static_cast<uint16_t>(4 * e + 400);
        b[static_cast<size_t>(e)] = static_cast<uint16_t>(4 * e + 800);
    }
    ImageBuffer file;
    ASSERT_NE(file.CreateTiff(1, 258, 10, 5, 3, 0, r.data(), g.data(), b.data()), nullptr);
    ASSERT_EQ(file.dataSize, 45);
    for (int e = 0; e < 15; ++e) {
        const uint8_t* pixel = file.tiffBits + 3 * e;
        EXPECT_EQ(pixel[0], e) << e;
        EXPECT_EQ(pixel[1], (4 * e + 400) >> 2) << e;
        EXPECT_EQ(pixel[2], ((4 * e + 800) >> 2) & 255) << e;
    }
}

TEST(CoreRules, PrivateDataEntryIsTypedByte) {
    ImageBuffer image;
    ASSERT_NE(image.CreateTiff(0, 2, 10, 2, 2, 5, nullptr), nullptr);
    const uint8_t* entry = FindTiffEntry(image.tiff.get(), 65000);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry[2] | entry[3] << 8, 1); // BYTE, not UNDEFINED (7)
    int32_t count = 0;
    GetTiffValue(image.tiff.get(), 65000, &count);
    EXPECT_EQ(count, 5);
}

TEST(CoreRules, TiffEntryWalkAndValueRules) {
    // A tag-0 entry ends the walk; the walk stops after `count` entries.
    auto stop = Ifd(3, {{256, 3, 1, 7}, {0, 3, 1, 0}, {300, 3, 1, 9}});
    EXPECT_EQ(GetTiffValue(stop.data(), 256), 7);
    EXPECT_EQ(FindTiffEntry(stop.data(), 300), nullptr);
    auto counted = Ifd(2, {{256, 3, 1, 7}, {257, 3, 1, 8}, {300, 3, 1, 9}});
    EXPECT_EQ(GetTiffValue(counted.data(), 257), 8);
    EXPECT_EQ(FindTiffEntry(counted.data(), 300), nullptr);
    // The count is a signed 16-bit number: 0x8000 walks nothing.
    EXPECT_EQ(FindTiffEntry(Ifd(0x8000, {{256, 3, 1, 7}}).data(), 256), nullptr);

    // Sign extension of SBYTE and SSHORT, zero extension of BYTE and SHORT.
    auto values = Ifd(6, {{1, 6, 1, 0xFE},
                          {2, 8, 1, 0xFFFE},
                          {3, 1, 1, 0xFE},
                          {4, 3, 1, 0xFFFE},
                          {5, 12, 1, 200},  // DOUBLE: 8 bytes, so at an offset
                          {6, 1, 5, 208}}); // five BYTEs: at an offset
    Le32(&values[200], 0x12345678);
    values[208] = 0x99;
    EXPECT_EQ(GetTiffValue(values.data(), 1), -2);
    EXPECT_EQ(GetTiffValue(values.data(), 2), -2);
    EXPECT_EQ(GetTiffValue(values.data(), 3), 0xFE);
    EXPECT_EQ(GetTiffValue(values.data(), 4), 0xFFFE);
    const uint8_t* at = nullptr;
    ASSERT_NE(FindTiffEntry(values.data(), 5, &at), nullptr);
    EXPECT_EQ(at, values.data() + 200);
    EXPECT_EQ(GetTiffValue(values.data(), 5), 0x12345678);
    EXPECT_EQ(GetTiffValue(values.data(), 6), 0x99);
    // Four BYTEs or two SHORTs still fit the entry itself.
    auto inlined = Ifd(2, {{1, 1, 4, 0x44332211}, {2, 3, 2, 0x00050006}});
    EXPECT_EQ(GetTiffValue(inlined.data(), 1), 0x11);
    EXPECT_EQ(GetTiffValue(inlined.data(), 2), 6);
}

TEST_F(RecordingFile, CapacityOfExactlyOneFrameIsAccepted) {
    VornRecipe desc;
    auto reader = Open(BuildVorn(desc));
    std::vector<uint16_t> frame(1024, 5);
    EXPECT_EQ(reader->ReadFrame(frame.data(), 0, 2048), 2048);
    EXPECT_EQ(reader->ReadFrame(frame.data(), 0, 2047), 0);
}

TEST_F(RecordingFile, WidthAndHeightFieldsAreSigned) {
    VornRecipe desc;
    const VornLayout layout = VornLayoutOf(desc);
    for (const int64_t field : {layout.fszpPos + 52, layout.fszpPos + 54}) {
        std::vector<uint8_t> bytes = BuildVorn(desc);
        PokeInt16(bytes, field, static_cast<int16_t>(0xFFE0), false); // 65504 unsigned
        EXPECT_EQ(Open(bytes, 0)->error, VornError::BadFrameSize) << field;
    }
}

TEST_F(RecordingFile, MapOriginColumnRoundsDown) {
    // 32 x 32 in 35 x 33 maps: origin = 35 * 1 / 2 + 3 / 2 = 17 + 1 = 18.
    VornRecipe desc;
    desc.correction.kind = 3;
    desc.correction.mapWidth = 35;
    desc.correction.mapHeight = 33;
    desc.correction.offsets.assign(35 * 33, 0);
    desc.correction.offsets[18] = 9;
    desc.correction.offsets[19] = 20;
    auto reader = Open(BuildVorn(desc, [](int32_t, uint16_t* s) { std::fill_n(s, 1024, 100); }));
    std::vector<uint16_t> frame(1024);
    ASSERT_EQ(reader->ReadFrame(frame.data(), 0, 0x7FFFFFFF), 2048);
    EXPECT_EQ(frame[0], 109);
    EXPECT_EQ(frame[1], 120);
    EXPECT_EQ(frame[2], 100);
}

TEST_F(RecordingFile, Kind6InterpolationRoundsByHalfTheSquaredRange) {
    // Lo 20, Hi 40, T 30: (10 (10 O0 + 10 O1) + 20 (10 O2 + 10 O3) + 200) / 400.
    // O0 = O1 = 1 gives 400 / 400 = 1; without the rounding term it would be 0.
    VornRecipe desc;
    desc.calibValue = 30;
    VornCorrection& c = desc.correction;
    c.kind = 6;
    c.mapWidth = 32;
    c.mapHeight = 32;
    c.lo = 20;
    c.hiStored = 39;
    c.offsetImages = {std::vector<uint16_t>(1024, 1), std::vector<uint16_t>(1024, 1),
                      std::vector<uint16_t>(1024, 0), std::vector<uint16_t>(1024, 0)};
    c.gain.assign(1024, 512);
    auto reader = Open(BuildVorn(desc));
    ASSERT_TRUE(reader->offsetMap);
    EXPECT_EQ(reader->offsetMap[0], 1);
    EXPECT_EQ(reader->offsetMap[1023], 1);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(CoreRulesDeathTest, AnOverrunOfOneByteIsReported) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ImageBuffer image;
    ASSERT_NE(image.CreateTiff(0, 258, 10, 3, 3, 0, nullptr), nullptr);
    volatile uint8_t* end = image.tiffBits + image.dataSize;
    EXPECT_DEATH(end[0] = 1, "AddressSanitizer");
    volatile uint8_t* start = image.tiff.get();
    EXPECT_DEATH(start[-17] = 1, "AddressSanitizer");
    ImageBuffer display;
    ASSERT_NE(display.CreateDib(0, 2, 10, 5, 1, nullptr), nullptr);
    volatile uint8_t* last = display.dibBits + display.dataSize;
    EXPECT_DEATH(last[0] = 1, "AddressSanitizer");
}
#endif
