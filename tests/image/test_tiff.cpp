// SPDX-License-Identifier: BSD-3-Clause
#include "image/ImageBuffer.h"
#include "image/TiffWriter.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

class TiffTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qv-image-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!mounted_.empty())
            umount2(mounted_.c_str(), MNT_DETACH);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
    std::string mounted_;
};

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

// Reads a saved file back with libtiff and checks its tags; returns the strip.
Bytes ReadBack(const std::string& path, uint32_t w, uint32_t h, uint16_t bits, uint16_t spp) {
    TIFFSetWarningHandler(nullptr); // the private tag is unknown to the library
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpen(path.c_str(), "rc"));
    EXPECT_TRUE(tif);
    if (!tif)
        return {};
    uint32_t width = 0, height = 0, rows = 0;
    uint16_t bps = 0, samples = 0, photometric = 0, compression = 0, planar = 0, unit = 0;
    float xres = 0;
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) && width == w);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) && height == h);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_BITSPERSAMPLE, &bps) && bps == bits);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples) && samples == spp);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric));
    EXPECT_EQ(photometric, spp == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &compression) && compression == 1);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_PLANARCONFIG, &planar) && planar == 1);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_ROWSPERSTRIP, &rows) && rows == h);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xres) && xres == 1.0f);
    EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit) && unit == RESUNIT_NONE);
    EXPECT_EQ(TIFFNumberOfStrips(tif.get()), 1u);
    Bytes strip(static_cast<size_t>(TIFFStripSize(tif.get())));
    EXPECT_EQ(TIFFReadEncodedStrip(tif.get(), 0, strip.data(), -1), TIFFStripSize(tif.get()));
    EXPECT_FALSE(TIFFReadDirectory(tif.get()));
    return strip;
}

TEST_F(TiffTest, Grey16Bit640x480) {
    std::vector<uint16_t> frame(640 * 480);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>((i * 7 + i / 640) % 1024);
    ImageBuffer image;
    ASSERT_NE(image.CreateTiff(0, 2, 10, 640, 480, 0, nullptr), nullptr);
    std::memcpy(image.GetBits(), frame.data(), frame.size() * 2); // as the decoder fills it
    const uint8_t* b = image.tiff.get();
    const Bytes head{0x49, 0x49, 0x2A, 0, 0x0A, 0, 0, 0, 0, 0, 0x0E, 0,
                     0xFE, 0,    0x04, 0, 0x01, 0, 0, 0, 0, 0, 0,    0};
    EXPECT_EQ(Bytes(b, b + 24), head);
    // tag, type, count, value for every entry after the first.
    const uint32_t entries[13][4] = {
        {256, 3, 1, 640}, {257, 3, 1, 480}, {258, 3, 1, 16},  {259, 3, 1, 1},      {262, 3, 1, 1},
        {273, 4, 1, 200}, {277, 3, 1, 1},   {278, 3, 1, 480}, {279, 4, 1, 614400}, {282, 5, 1, 184},
        {283, 5, 1, 192}, {284, 3, 1, 1},   {296, 3, 1, 1}};
    for (int i = 0; i < 13; ++i) {
        const uint8_t* e = b + 24 + 12 * i;
        EXPECT_EQ(e[0] | (e[1] << 8), entries[i][0]);
        EXPECT_EQ(e[2] | (e[3] << 8), entries[i][1]) << entries[i][0];
        EXPECT_EQ(Le32(e + 4), entries[i][2]) << entries[i][0];
        EXPECT_EQ(Le32(e + 8), entries[i][3]) << entries[i][0];
    }
    EXPECT_EQ(Bytes(b + 180, b + 200),
              (Bytes{0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(GetTiffValue(b, 279), 614400);
    EXPECT_EQ(GetTiffValue(b, 65000), 0);

    const std::string path = File("frame_000000.tif");
    ASSERT_EQ(image.SaveTiff(path.c_str()), 1);
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), 614600u);
    EXPECT_EQ(file, Bytes(b, b + 614600));
    const Bytes strip = ReadBack(path, 640, 480, 16, 1);
    ASSERT_EQ(strip.size(), frame.size() * 2);
    EXPECT_EQ(std::memcmp(strip.data(), frame.data(), strip.size()), 0); // unscaled
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"frame_000000.tif"});

    // The 8-bit export of the same frame.
    ImageBuffer eight;
    ASSERT_NE(eight.CreateTiff(0, 258, 10, 640, 480, 0, frame.data()), nullptr);
    EXPECT_EQ(GetTiffValue(eight.tiff.get(), 258), 8);
    ASSERT_EQ(eight.SaveTiff(File("eight.tif").c_str()), 1);
    EXPECT_EQ(fs::file_size(File("eight.tif")), 307400u);
    const Bytes strip8 = ReadBack(File("eight.tif"), 640, 480, 8, 1);
    ASSERT_EQ(strip8.size(), frame.size());
    for (size_t i = 0; i < frame.size(); i += 997)
        ASSERT_EQ(strip8[i], frame[i] >> 2) << i;
}

TEST_F(TiffTest, RgbAndPrivateDataLayouts) {
    const std::vector<uint16_t> r{1, 2, 1023}, g{4, 5, 6}, bl{7, 8, 512};
    ImageBuffer rgb;
    ASSERT_NE(rgb.CreateTiff(2, 258, 10, 3, 1, 0, r.data(), g.data(), bl.data()), nullptr);
    const uint8_t* b = rgb.tiff.get();
    int32_t count = 0;
    EXPECT_EQ(GetTiffValue(b, 258, &count), 8);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(Le32(FindTiffEntry(b, 258) + 8), 184u);
    EXPECT_EQ(Bytes(b + 184, b + 208),
              (Bytes{8, 0, 8, 0, 8, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Le32(FindTiffEntry(b, 282) + 8), 190u);
    EXPECT_EQ(Le32(FindTiffEntry(b, 283) + 8), 198u);
    EXPECT_EQ(GetTiffValue(b, 273), 208);
    ASSERT_EQ(rgb.SaveTiff(File("rgb8.tif").c_str()), 1);
    EXPECT_EQ(ReadBack(File("rgb8.tif"), 3, 1, 8, 3), (Bytes{0, 1, 1, 0, 1, 2, 255, 1, 128}));

    ImageBuffer priv;
    ASSERT_NE(priv.CreateTiff(0, 258, 10, 3, 1, 5, g.data()), nullptr);
    b = priv.tiff.get();
    EXPECT_EQ(b[10], 15);
    EXPECT_EQ(Le32(b + 192), 0u);
    EXPECT_EQ(Le32(FindTiffEntry(b, 282) + 8), 196u);
    EXPECT_EQ(Le32(FindTiffEntry(b, 283) + 8), 204u);
    const uint8_t* value = nullptr;
    const uint8_t* entry = FindTiffEntry(b, 65000, &value);
    ASSERT_EQ(entry, b + 12 + 14 * 12);
    EXPECT_EQ(value, b + 212);
    EXPECT_EQ(Le32(entry + 4), 5u);
    EXPECT_EQ(priv.tiffBits, b + 220);
    std::memcpy(priv.tiff.get() + 212, "QVPRV", 5);
    ASSERT_EQ(priv.SaveTiff(File("private.tif").c_str()), 1);
    EXPECT_EQ(ReadBack(File("private.tif"), 3, 1, 8, 1), (Bytes{1, 1, 1}));
    EXPECT_EQ(TiffHeaderLength(true, 5), 224);

    Bytes block(256, 0xAA); // the builder refuses depths it cannot store, writing nothing
    EXPECT_EQ(BuildTiffHeader(block.data(), false, 17, 4, 4, 0), nullptr);
    EXPECT_EQ(BuildTiffHeader(block.data(), false, 0, 4, 4, 0), nullptr);
    EXPECT_EQ(block, Bytes(256, 0xAA));
    EXPECT_EQ(BuildTiffHeader(block.data(), false, 12, 4, 4, 0), block.data() + 200);
    EXPECT_EQ(GetTiffValue(block.data(), 258), 16);
}

TEST_F(TiffTest, SaveFailuresAndReplacement) {
    ImageBuffer image;
    EXPECT_EQ(image.SaveTiff(File("empty.tif").c_str()), 0);
    ASSERT_NE(image.CreateTiff(0, 258, 10, 2, 2, 0, nullptr), nullptr);
    EXPECT_EQ(image.SaveTiff(File("missing/frame.tif").c_str()), 0);
    EXPECT_EQ(image.SaveTiff((dir_.string() + "/").c_str()), 0);
    EXPECT_TRUE(Names(dir_).empty());

    // An existing file is replaced; the new one gets 0666 under the umask.
    std::ofstream(File("out.tif")) << "an older, longer file that must be replaced entirely";
    const mode_t old = umask(027);
    const int saved = image.SaveTiff(File("out.tif").c_str());
    umask(old);
    ASSERT_EQ(saved, 1);
    EXPECT_EQ(fs::file_size(File("out.tif")), 204u);
    struct stat info {};
    ASSERT_EQ(stat(File("out.tif").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(Names(dir_).size(), 1u); // no temporary left behind

    if (access("/dev/full", W_OK) == 0) { // a device is refused, never written or replaced
        EXPECT_EQ(image.SaveTiff("/dev/full"), 0);
        ASSERT_EQ(stat("/dev/full", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}

TEST_F(TiffTest, FullFileSystemLeavesNoFileAndKeepsTheOldOne) {
    const std::string small = File("small");
    fs::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    mounted_ = small;
    std::ofstream(small + "/old.tif") << "previous export";
    ImageBuffer image;
    ASSERT_NE(image.CreateTiff(0, 2, 10, 640, 480, 0, nullptr), nullptr);
    EXPECT_EQ(image.SaveTiff((small + "/new.tif").c_str()), 0);
    EXPECT_EQ(image.SaveTiff((small + "/old.tif").c_str()), 0);
    EXPECT_EQ(Names(small), std::vector<std::string>{"old.tif"});
    const Bytes kept = ReadAll(small + "/old.tif");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous export");
}

} // namespace
