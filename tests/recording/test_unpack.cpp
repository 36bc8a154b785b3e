// SPDX-License-Identifier: BSD-3-Clause
// Pixel layouts: the worked examples pin both the unpackers and the
// encoders to literal byte values and positions, so the recording builder
// and the reader cannot agree on a shared mistake.
#include "recording/Unpack.h"
#include "recording/VornReader.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <tuple>
#include <vector>

namespace {

using UnpackFn = void (*)(uint16_t*, const uint8_t*, int32_t, int32_t);

struct Unpacker {
    const char* name;
    UnpackFn lanes;
    UnpackFn quadrants;
};

const Unpacker kUnpackers[] = {{"fast", UnpackLanes, UnpackQuadrants},
                               {"reference", UnpackLanesReference, UnpackQuadrantsReference}};

constexpr uint16_t kUntouched = 0xBEEF;

// B0, B8, B16, B24, B32 = 12 34 56 78 9A, all else 0.
std::vector<uint8_t> WorkedGroup() {
    std::vector<uint8_t> group(40, 0);
    for (size_t k = 0; k < 5; ++k) {
        group[8 * k] = static_cast<uint8_t>(0x12 + 0x22 * k);
    }
    return group;
}

TEST(LanePacking, WorkedExampleDecodesAndEncodes) {
    std::vector<uint16_t> expected(32, 0);
    std::tie(expected[0], expected[8], expected[16], expected[24]) = std::tuple(72, 837, 414, 154);
    for (const auto& u : kUnpackers) {
        std::vector<uint16_t> out(32, kUntouched);
        u.lanes(out.data(), WorkedGroup().data(), 32, 1);
        EXPECT_EQ(out, expected) << u.name;
    }
    std::vector<uint8_t> packed(40, 0xCC);
    PackLanes(packed.data(), expected.data(), 32, 1);
    EXPECT_EQ(packed, WorkedGroup());
}

TEST(LanePacking, AllOnesGivesFullScaleAndRemainderIsLeftAlone) {
    const std::vector<uint8_t> ones(125, 0xFF); // 100 samples
    for (const auto& u : kUnpackers) {
        std::vector<uint16_t> out(100, kUntouched);
        u.lanes(out.data(), ones.data(), 10, 10);
        for (size_t e = 0; e < 96; ++e) {
            ASSERT_EQ(out[e], 1023) << u.name << " element " << e;
        }
        for (size_t e = 96; e < 100; ++e) {
            EXPECT_EQ(out[e], kUntouched) << u.name << " element " << e;
        }
    }
}

// A 32 x 32 frame is two blocks: stream value q (in lane order) is q itself,
// so every decoded sample names the stream position it came from.
TEST(QuadrantOrder, WorkedExamplePositions) {
    std::vector<uint16_t> stream(1024);
    std::iota(stream.begin(), stream.end(), uint16_t{0});
    std::vector<uint8_t> packed(1280);
    PackLanes(packed.data(), stream.data(), 32, 32);

    for (const auto& u : kUnpackers) {
        std::vector<uint16_t> frame(1024, kUntouched);
        u.quadrants(frame.data(), packed.data(), 32, 32);
        // {x, y, stream position}: block 0 section 0 group 0, group 1, then
        // sections 1..3; block 1 continues at column pair 4 on the top left.
        const int expected[][3] = {{14, 12, 0},   {14, 8, 1},    {14, 4, 2},    {14, 0, 3},
                                   {12, 12, 4},   {10, 12, 8},   {15, 12, 16},  {14, 13, 32},
                                   {16, 12, 128}, {14, 16, 256}, {16, 16, 384}, {6, 12, 512},
                                   {6, 0, 515},   {7, 12, 528}};
        for (const auto& [x, y, q] : expected) {
            EXPECT_EQ(frame[static_cast<size_t>(y * 32 + x)], q) << u.name << " " << x << "," << y;
        }
        // Every sample is written exactly once.
        std::vector<uint16_t> sorted = frame;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, stream) << u.name;
    }
    // The encoder is the exact inverse.
    std::vector<uint16_t> frame(1024);
    UnpackQuadrantsReference(frame.data(), packed.data(), 32, 32);
    std::vector<uint8_t> repacked(1280);
    PackQuadrants(repacked.data(), frame.data(), 32, 32);
    EXPECT_EQ(repacked, packed);
}

TEST(QuadrantOrder, PartialAndUnusableGeometriesWriteOnlyWholeBlocks) {
    const std::vector<uint8_t> packed(1920, 0xFF);
    for (const auto& u : kUnpackers) {
        std::vector<uint16_t> frame(48 * 16, kUntouched);
        u.quadrants(frame.data(), packed.data(), 48, 16);
        EXPECT_EQ(std::count(frame.begin(), frame.end(), 1023), 512) << u.name;
        EXPECT_EQ(std::count(frame.begin(), frame.end(), kUntouched), 256) << u.name;

        // Heights off the 16-row grid would land outside the frame: nothing.
        std::vector<uint16_t> odd(64 * 24, kUntouched);
        u.quadrants(odd.data(), packed.data(), 64, 24);
        EXPECT_EQ(std::count(odd.begin(), odd.end(), kUntouched), 64 * 24) << u.name;
    }
}

TEST(Unpackers, FastMatchesReferenceOnRandomInput) {
    std::mt19937 random(1234);
    auto check = [&](UnpackFn fast, UnpackFn reference, int32_t w, int32_t h) {
        std::vector<uint8_t> packed(static_cast<size_t>(int64_t{w} * h * 10 / 8));
        for (auto& b : packed) {
            b = static_cast<uint8_t>(random());
        }
        std::vector<uint16_t> a(static_cast<size_t>(w * h), kUntouched);
        std::vector<uint16_t> b = a;
        fast(a.data(), packed.data(), w, h);
        reference(b.data(), packed.data(), w, h);
        EXPECT_EQ(a, b) << w << " x " << h;
    };
    const std::pair<int32_t, int32_t> laneShapes[] = {{1, 1},   {7, 5},   {32, 1},    {33, 3},
                                                      {100, 7}, {640, 3}, {512, 256}, {1023, 17}};
    for (const auto& [w, h] : laneShapes) {
        check(UnpackLanes, UnpackLanesReference, w, h);
    }
    const std::pair<int32_t, int32_t> quadShapes[] = {{32, 32}, {48, 16},  {64, 48},   {36, 16},
                                                      {8, 64},  {100, 32}, {512, 256}, {1024, 16}};
    for (const auto& [w, h] : quadShapes) {
        check(UnpackQuadrants, UnpackQuadrantsReference, w, h);
    }
}

} // namespace
