// SPDX-License-Identifier: BSD-3-Clause
// Fixed-pattern correction: frame window, kind 3 and kind 6 arithmetic,
// offset words (11-bit, bit 10 the sign), and the cases that leave frames uncorrected.
#include "RecordingFiles.h"

#include <algorithm>

namespace {

class CorrectionTest : public RecordingTest {
protected:
    // A w x h recording with maps of mapW x mapH. Kind 6 has an empty
    // calibration range (D = 0), so offset image 0 is the offset map as is.
    static VornRecipe Corrected(int16_t kind, int16_t w, int16_t h, int16_t mapW, int16_t mapH,
                              uint16_t offset = 0, uint16_t gain = 512) {
        VornRecipe desc;
        desc.width = w;
        desc.height = h;
        VornCorrection& c = desc.correction;
        c.kind = kind;
        c.mapWidth = mapW;
        c.mapHeight = mapH;
        c.lo = 5;
        c.hiStored = 4;
        const auto n = static_cast<size_t>(std::max(0, mapW * mapH));
        c.offsets.assign(n, static_cast<int8_t>(offset));
        c.offsetImages = {std::vector<uint16_t>(n, offset), std::vector<uint16_t>(n, 0),
                          std::vector<uint16_t>(n, 0), std::vector<uint16_t>(n, 0)};
        c.gain.assign(n, gain);
        return desc;
    }

    static VornFrameSource Constant(uint16_t value, int32_t pixels = 1024) {
        return [=](int32_t, uint16_t* s) { std::fill_n(s, pixels, value); };
    }

    std::vector<uint16_t> Frame0(VornReader& reader) {
        std::vector<uint16_t> frame(static_cast<size_t>(reader.width * reader.height));
        EXPECT_EQ(reader.ReadFrame(frame.data(), 0, 0x7FFFFFFF), int32_t(frame.size() * 2));
        return frame;
    }
};

TEST_F(CorrectionTest, FrameWindowSitsAtTheOrigin) {
    // 512 x 256 in 1024 x 1024 maps: origin 393472 (row 384, column 256).
    // 1024 x 1023: the product is halved, so the origin is element 512 and
    // frame rows run across map-row boundaries.
    const std::tuple<int16_t, int16_t, size_t> cases[] = {{512, 256, 393472}, {1024, 1023, 512}};
    for (const auto& [w, h, origin] : cases) {
        VornRecipe desc = Corrected(3, w, h, 1024, 1024);
        auto& offsets = desc.correction.offsets;
        offsets[origin - 1] = 50;
        offsets[origin] = 1;
        offsets[origin + static_cast<size_t>((h - 1) * 1024 + w - 1)] = 2;
        auto frame = Frame0(*OpenRecording(desc, Constant(100, w * h)));
        EXPECT_EQ(frame.front(), 101) << w;
        EXPECT_EQ(frame.back(), 102) << w;
        EXPECT_EQ(std::count(frame.begin(), frame.end(), 100), w * h - 2) << w;
    }
}

TEST_F(CorrectionTest, OffsetGainAndClamp) {
    struct Case {
        int16_t kind;
        uint16_t offset, gain, sample, expected;
    };
    const Case cases[] = {
        {3, uint16_t(-5), 0, 3, 0}, {3, 7, 0, 1020, 1023},      {3, uint16_t(-128), 0, 500, 372},
        {6, 0, 512, 777, 777},      {6, 0, 1024, 600, 1023},    {6, 10, 256, 100, 55},
        {6, 0x0400, 512, 700, 188}, {6, 0x0200, 512, 100, 612}, {6, 0x0500, 512, 700, 444},
        {6, 0x07FF, 512, 0, 0},     {6, 0, 0x8000, 5, 0},
    };
    for (const bool bigEndian : {false, true}) {
        for (const Case& c : cases) {
            VornRecipe desc = Corrected(c.kind, 32, 32, 32, 32, c.offset, c.gain);
            desc.byteOrderMark = Tag(bigEndian ? "MMMM" : "IIII");
            auto reader = OpenRecording(desc, Constant(c.sample));
            ASSERT_EQ(reader->correctionKind, c.kind);
            EXPECT_EQ(Frame0(*reader)[517], c.expected)
                << "kind " << c.kind << " offset " << int16_t(c.offset) << " gain " << c.gain
                << " sample " << c.sample << (bigEndian ? " big-endian" : "");
        }
    }
}

TEST_F(CorrectionTest, Kind6InterpolatesTheOffsetImages) {
    auto blended = [&](int16_t calib, int8_t lo, int8_t hiStored, std::array<uint16_t, 4> words) {
        VornRecipe desc = Corrected(6, 32, 32, 32, 32);
        desc.calibValue = calib;
        desc.correction.lo = lo;
        desc.correction.hiStored = hiStored;
        for (size_t k = 0; k < 4; ++k) {
            desc.correction.offsetImages[k].assign(1024, words[k]);
        }
        auto reader = OpenRecording(desc);
        return reader->offsetMap ? int32_t{reader->offsetMap[1000]} : -99999;
    };
    EXPECT_EQ(blended(30, 20, 39, {8, 8, 8, 8}), 12);
    EXPECT_EQ(blended(20, 20, 39, {3, 5, 7, 11}), 10); // T = Lo: O0 + O2
    EXPECT_EQ(blended(40, 20, 39, {3, 5, 7, 11}), 11); // T = Hi: O3

    // Far outside the range the 32-bit sums wrap; the expected value is the
    // exact sum reduced modulo 2^32 once.
    const int64_t a = 32767 + 128, b = 128 - 32767, d = 256;
    const int64_t o[4] = {1023, -512, 1000, -1};
    const int64_t exact = b * (b * o[0] + a * o[1]) + d * (b * o[2] + a * o[3]) + d * d / 2;
    int64_t wrapped = ((exact % 4294967296) + 4294967296) % 4294967296;
    wrapped -= wrapped >= 2147483648 ? 4294967296 : 0;
    EXPECT_EQ(blended(32767, -128, 127, {0x03FF, 0x0400, 1000, 0x07FF}),
              static_cast<int16_t>(wrapped / (d * d)));
}

// The offset images are blended piece by piece: every element of maps
// larger than one piece, the last piece partial, gets its own images' blend.
TEST_F(CorrectionTest, Kind6BlendsEveryElementOfLargeMaps) {
    const int16_t mapW = 200, mapH = 100; // 20000 elements
    VornRecipe desc = Corrected(6, 64, 32, mapW, mapH);
    desc.calibValue = 27;
    desc.correction.lo = 20;
    desc.correction.hiStored = 39;
    const auto n = static_cast<size_t>(mapW * mapH);
    for (size_t k = 0; k < 4; ++k) {
        for (size_t e = 0; e < n; ++e) {
            desc.correction.offsetImages[k][e] = static_cast<uint16_t>((e * (k + 3) + 7 * k) % 1024);
        }
    }
    auto reader = OpenRecording(desc);
    ASSERT_TRUE(reader->offsetMap);
    const int32_t a = 27 - 20, b = 40 - 27, d = 20, d2 = d * d;
    auto word = [](uint16_t w) { return int32_t{w & 0x400 ? int16_t(w | 0xFE00) : int16_t(w)}; };
    size_t wrong = 0;
    for (size_t e = 0; e < n; ++e) {
        int32_t o[4];
        for (size_t k = 0; k < 4; ++k) {
            o[k] = word(desc.correction.offsetImages[k][e]);
        }
        const int32_t expected = (b * (b * o[0] + a * o[1]) + d * (b * o[2] + a * o[3]) + d2 / 2) / d2;
        wrong += reader->offsetMap[e] != expected;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST_F(CorrectionTest, UnappliedCorrections) {
    auto check = [&](std::vector<uint8_t> bytes, int load, int32_t kind, CorrectionNote note) {
        int opened = 0;
        auto reader = OpenBytes(bytes, opened, load);
        ASSERT_EQ(opened, 1);
        EXPECT_EQ(reader->correctionKind, kind);
        EXPECT_EQ(reader->correctionNote, note) << CorrectionNoteText(reader->correctionNote);
        EXPECT_FALSE(reader->offsetMap || reader->gainMap);
        EXPECT_EQ(Frame0(*reader), std::vector<uint16_t>(1024, 500));
    };
    auto build = [&](const VornRecipe& desc) { return BuildVorn(desc, Constant(500)); };
    check(build(Corrected(3, 32, 32, 32, 32, 9)), 0, 0, CorrectionNote::NotRequested);
    check(build(Corrected(4, 32, 32, 32, 32, 9)), 1, 4, CorrectionNote::UnknownKind);
    check(build(Corrected(3, 32, 32, 16, 64, 9)), 1, 0, CorrectionNote::MapsTooSmall);
    check(build(Corrected(6, 32, 32, 0, 32, 9)), 1, 0, CorrectionNote::BadMapSize);
    check(build(Corrected(3, 32, 32, 32, -32, 9)), 1, 0, CorrectionNote::BadMapSize);

    const VornRecipe desc = Corrected(3, 32, 32, 32, 32, 9);
    for (const int32_t block : {1'000'000, -200'000, 0x7FFFFFFF}) {
        auto bytes = build(desc);
        PokeInt32(bytes, VornLayoutOf(desc).fpnpPos + 112, block, false);
        check(bytes, 1, 0, CorrectionNote::ShortImage);
    }
    // FPNP last in the file, cut inside its head, then inside the gains.
    VornRecipe last = Corrected(6, 32, 32, 32, 32, 3);
    last.directory = {Chunk("GENP"), Chunk("PLAY"), Chunk("FSZP"), Chunk("FRAM"), Chunk("FPNP")};
    const auto bytes = build(last);
    const auto fpnp = bytes.begin() + VornLayoutOf(last).fpnpPos;
    check({bytes.begin(), fpnp + 127}, 1, 0, CorrectionNote::ShortChunk);
    check({bytes.begin(), fpnp + 128 + 4095}, 1, 0, CorrectionNote::ShortImage);
}

} // namespace
