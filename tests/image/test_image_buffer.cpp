// SPDX-License-Identifier: BSD-3-Clause
#include "image/ImageBuffer.h"
#include "image/Packers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Le(const std::vector<uint32_t>& values, int width) {
    Bytes out;
    for (uint32_t v : values)
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return out;
}

// One unpadded top-down row through PackGrayTiff (8-bit codes use PackGray8).
std::vector<uint32_t> Row(int code, int bits, const std::vector<uint32_t>& values) {
    const int n = static_cast<int>(values.size());
    const int out = ResolveOutputDepth(code, bits) > 8 ? 2 : 1;
    Bytes dst(values.size() * static_cast<size_t>(out), 0xEE);
    PackGrayTiff(dst.data(), code, bits, n, 1, Le(values, code & 0xFF).data());
    std::vector<uint32_t> result;
    for (size_t i = 0; i < dst.size(); i += static_cast<size_t>(out))
        result.push_back(out == 2 ? dst[i] | (dst[i + 1] << 8) : dst[i]);
    return result;
}

TEST(Packers, SampleRules) {
    using V = std::vector<uint32_t>;
    EXPECT_EQ(Row(258, 10, {1023, 4, 3, 1024}), (V{255, 1, 0, 0}));
    EXPECT_EQ(Row(260, 10, {1023, 4, 3, 1024}), (V{255, 1, 0, 0}));
    EXPECT_EQ(Row(258, 11, {2047, 8, 7, 2048}), (V{255, 1, 0, 0}));
    EXPECT_EQ(Row(260, 24, {0xFFFFFF, 0xAB0000}), (V{255, 0xAB}));
    EXPECT_EQ(Row(257, 4, {7, 200}), (V{7, 200})); // one-byte containers are copied
    EXPECT_EQ(Row(514, 10, {1, 1023, 512}), (V{64, 65472, 32768}));
    EXPECT_EQ(Row(514, 16, {1, 0x8001}), (V{1, 0x8001}));
    EXPECT_EQ(Row(516, 10, {0x10001}), (V{64})); // low 16 bits of a wide container
    EXPECT_EQ(Row(513, 8, {0xAB}), (V{0xAB00}));
    // Out-of-range depths stay defined instead of shifting by a negative count.
    EXPECT_EQ(Row(258, 4, {0x0F}), (V{0xF0}));
    EXPECT_EQ(Row(516, 20, {0xFFFFF}), (V{0xFFFF}));
    EXPECT_EQ(Row(260, 60, {0xFFFFFFFF}), (V{0}));
    EXPECT_EQ(Row(515, 10, {1}), (V{0xEEEE})); // unknown container: nothing written
}

TEST(Packers, FixedShiftLoopsMatchTheRuleForEveryValue) {
    std::vector<uint32_t> all(65536);
    for (uint32_t v = 0; v < all.size(); ++v)
        all[v] = v;
    for (int bits : {10, 12}) {
        const Bytes src = Le(all, 2);
        Bytes dst(all.size());
        PackGray8(dst.data(), 2, bits, -256, -256, src.data());
        for (uint32_t v = 0; v < all.size(); ++v)
            ASSERT_EQ(dst[v], static_cast<uint8_t>(v >> (bits - 8))) << bits << " " << v;
    }
    EXPECT_EQ(Row(260, 12, {0x12345678u}), (std::vector<uint32_t>{0x67}));
}

TEST(Packers, FormatCodes) {
    EXPECT_EQ(ResolveOutputDepth(2, 10), 16);
    EXPECT_EQ(ResolveOutputDepth(258, 10), 8);
    EXPECT_EQ(ResolveOutputDepth(514, 10), 16);
    EXPECT_EQ(ResolveOutputDepth(0, 8), 8);
    EXPECT_EQ(ResolveOutputDepth(0, 20), 0);
    EXPECT_EQ(ResolveOutputDepth(1, 5), 5);
    EXPECT_EQ(ResolveOutputDepth(2, 0), 0);
    EXPECT_EQ(ResolveOutputDepth(770, 12), 16); // 24 requested: taken from bits
}

TEST(Packers, RowOrderPaddingAndChannels) {
    const Bytes src{1, 2, 3, 4, 5, 6}; // two rows of three
    Bytes dst(8, 0xEE);
    PackGray8(dst.data(), 1, 8, 3, 2, src.data());
    EXPECT_EQ(dst, (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
    PackGray8(dst.data(), 1, 8, -3, -2, src.data());
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 6), (Bytes{1, 2, 3, 4, 5, 6}));
    PackGray8(dst.data(), 1, 8, -3, 2, src.data());
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 6), (Bytes{4, 5, 6, 1, 2, 3}));

    const Bytes r = Le({1, 1023}, 2), g = Le({2, 4}, 2), b = Le({3, 8}, 2);
    dst.assign(12, 0xEE);
    PackRgbTiff(dst.data(), 514, 10, 2, 1, r.data(), g.data(), b.data());
    EXPECT_EQ(dst, Le({64, 128, 192, 65472, 256, 512}, 2));
    dst.assign(6, 0xEE);
    PackRgbTiff(dst.data(), 258, 10, 2, 1, r.data(), nullptr, b.data());
    EXPECT_EQ(dst, (Bytes{0, 0xEE, 0, 255, 0xEE, 2}));
}

TEST(DisplayImage, GreyFiveByTwo) {
    const std::vector<uint16_t> src{4, 8, 12, 16, 20, 1023, 1022, 1021, 1020, 1019};
    ImageBuffer image;
    BITMAPINFOHEADER* bih = image.CreateDib(0, 2, 10, 5, 2, src.data());
    ASSERT_NE(bih, nullptr);
    const uint8_t* block = image.dib.get();
    EXPECT_EQ(reinterpret_cast<uint8_t*>(bih), block);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 64, 0u);
    EXPECT_EQ(Bytes(block, block + 40),
              (Bytes{40, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0,
                     16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Bytes(block + 40 + 4 * i, block + 44 + 4 * i), Le({i * 0x010101u}, 4)) << i;
    EXPECT_EQ(image.kind, 0);
    EXPECT_EQ(image.headerSize, 1064);
    int32_t size = 0;
    EXPECT_EQ(image.GetBits(&size), block + 1064);
    EXPECT_EQ(size, 16);
    EXPECT_EQ(Bytes(image.dibBits, image.dibBits + 16),
              (Bytes{255, 255, 255, 255, 254, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0}));
}

TEST(DisplayImage, RgbIsBgrKindOneAndNeedsAllSources) {
    const Bytes r{10, 11}, g{20, 21}, b{30, 31};
    ImageBuffer image;
    ASSERT_NE(image.CreateDib(2, 1, 8, 1, 2, r.data(), g.data(), b.data()), nullptr);
    EXPECT_EQ(image.kind, 1);
    EXPECT_EQ(image.headerSize, 40);
    EXPECT_EQ(image.dataSize, 24);
    EXPECT_EQ(image.dib[14], 24);
    EXPECT_EQ(Bytes(image.dibBits, image.dibBits + 15),
              (Bytes{31, 21, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 20, 10}));
    ASSERT_NE(image.CreateDib(1, 1, 8, 1, 2, r.data(), g.data(), nullptr), nullptr);
    EXPECT_EQ(Bytes(image.dibBits, image.dibBits + 24), Bytes(24, 0));
}

TEST(ImageBufferState, LayoutsRefusalsAndRelease) {
    ImageBuffer image;
    int32_t size = -1;
    EXPECT_EQ(image.GetBits(&size), nullptr);
    EXPECT_EQ(size, 0);

    ASSERT_NE(image.CreateTiff(0, 2, 10, 4, 4, 0, nullptr), nullptr);
    const uint8_t* file = image.tiff.get();
    EXPECT_EQ(image.CreateDib(0, 2, 10, 4, 4, nullptr), nullptr);
    EXPECT_EQ(image.CreateDib(3, 2, 10, 4, 4, nullptr), nullptr);
    for (const auto& [w, h] :
         {std::pair{65536, 1}, std::pair{1, 65536}, std::pair{0, 1}, std::pair{1, -5}})
        EXPECT_EQ(image.CreateTiff(0, 2, 10, w, h, 0, nullptr), nullptr) << w << "x" << h;
    EXPECT_EQ(image.CreateTiff(3, 2, 10, 4, 4, 0, nullptr), nullptr);
    EXPECT_EQ(image.CreateTiff(0, 0, 20, 4, 4, 0, nullptr), nullptr);
    EXPECT_EQ(image.CreateTiff(1, 514, 16, 65535, 65535, 0, nullptr), nullptr); // > 2 GiB
    EXPECT_EQ(image.CreateTiff(0, 2, 10, 4, 4, 2147483647, nullptr), nullptr);
    EXPECT_EQ(image.tiff.get(), file);
    EXPECT_EQ(image.dib, nullptr);
    EXPECT_EQ(image.GetBits(&size), image.tiffBits);
    EXPECT_EQ(size, 32);
    EXPECT_EQ(Bytes(image.tiffBits, image.tiffBits + 32), Bytes(32, 0));

    image.Release();
    EXPECT_EQ(image.GetBits(&size), nullptr);
    EXPECT_EQ(size, 0);
    ASSERT_NE(image.CreateDib(0, 2, 10, 4, 4, nullptr), nullptr);
    EXPECT_EQ(image.CreateTiff(0, 2, 10, 4, 4, 0, nullptr), nullptr);
    EXPECT_EQ(image.CreateDib(0, 2, 10, 0, 4, nullptr), nullptr);
    EXPECT_EQ(image.CreateDib(0, 2, 10, 65536, 32768, nullptr), nullptr); // > 2 GiB
    EXPECT_NE(image.dib, nullptr); // refused sizes change nothing
    EXPECT_EQ(image.CreateDib(3, 2, 10, 4, 4, nullptr), nullptr);
    EXPECT_EQ(image.dib, nullptr); // an unknown kind frees it
    EXPECT_EQ(image.GetBits(), nullptr);
}

} // namespace
