// SPDX-License-Identifier: BSD-3-Clause
// Every unpacking path against the reference, bit for bit, including the
// elements a frame's remainder must leave untouched. Packed buffers hold
// exactly the bytes a frame may read, so the sanitizer build catches any
// over-read of the last group.
#include "FastPaths.h"

#include "recording/Unpack.h"

#include <cstdlib>
#include <random>
#include <vector>

namespace {

using UnpackFn = void (*)(uint16_t*, const uint8_t*, int32_t, int32_t);

struct Geometry {
    int32_t width;
    int32_t rows;
};

constexpr uint16_t kUntouched = 0xBEEF;

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    return bytes;
}

size_t SampleCount(Geometry g) {
    return g.width > 0 && g.rows > 0 ? static_cast<size_t>(g.width) * static_cast<size_t>(g.rows)
                                     : 0;
}

// Runs `fast` and `reference` over the same bytes and compares the whole
// destination, remainder included.
void ExpectSameFrame(UnpackFn fast, UnpackFn reference, Geometry g,
                     const std::vector<uint8_t>& packed) {
    std::vector<uint16_t> expected(SampleCount(g) + 1, kUntouched);
    std::vector<uint16_t> actual(expected);
    reference(expected.data(), packed.data(), g.width, g.rows);
    fast(actual.data(), packed.data(), g.width, g.rows);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t e = 0; e < expected.size(); ++e) {
        ASSERT_EQ(actual[e], expected[e]) << g.width << " x " << g.rows << ", element " << e;
    }
}

using LaneOrder = EveryPath;

TEST_P(LaneOrder, MatchesReferenceForEveryGroupCountAndRemainder) {
    // Group counts 0..4 cover the two-group loop and its odd tail; widths
    // that leave 1..31 samples over cover the untouched remainder.
    const Geometry geometries[] = {{1, 1},    {31, 1},      {32, 1}, {33, 1},  {64, 1},  {96, 1},
                                   {127, 1},  {10, 10},     {7, 13}, {4, 128}, {48, 16}, {516, 16},
                                   {1023, 3}, {1024, 1024}, {0, 8},  {8, 0},   {-32, 2}, {32, -2}};
    uint32_t seed = 1;
    for (const Geometry g : geometries) {
        const std::vector<uint8_t> packed = RandomBytes(SampleCount(g) / 32 * 40, seed++);
        ExpectSameFrame(kernels->unpackLanes, UnpackLanesReference, g, packed);
    }
}

TEST_P(LaneOrder, AllOnesDecodeToFullScale) {
    const std::vector<uint8_t> ones(5 * 40, 0xFF);
    std::vector<uint16_t> out(5 * 32, 0);
    kernels->unpackLanes(out.data(), ones.data(), 32, 5);
    EXPECT_EQ(out, std::vector<uint16_t>(5 * 32, 1023));
}

using QuadrantOrder = EveryPath;

TEST_P(QuadrantOrder, MatchesReferenceForEveryTilingCase) {
    const Geometry geometries[] = {
        {32, 32},     // 4 steps per column pair: bands start inside blocks
        {48, 16},     // one block and an unwritten remainder: block by block
        {8, 16},      // no whole block
        {516, 16},    // 2 steps per pair, partial last block
        {128, 48},    // 6 steps
        {100, 64},    // 8 steps, 25 pairs, partial last block
        {4, 128},     // 16 steps: a single column pair, block by block
        {16, 128},    // four pairs: one tile unit
        {36, 128},    // eight pairs and a leftover pair
        {56, 128},    // twelve pairs and two leftover
        {200, 256},   // 50 pairs: a full and a partial tile, two leftover, two bands
        {1024, 1024}, // full tiles, eight bands
        {1280, 720},  // 90 steps: the last band has 10
        {24, 192},    // 24 steps, plus two leftover pairs
        {40, 64},     // 8 steps, ten pairs
        {30, 32},     // width not a multiple of 4: refused
        {32, 24},     // height not a multiple of 16: refused
        {0, 16},
    };
    uint32_t seed = 100;
    for (const Geometry g : geometries) {
        const std::vector<uint8_t> packed = RandomBytes(SampleCount(g) / 512 * 640, seed++);
        ExpectSameFrame(kernels->unpackQuadrants, UnpackQuadrantsReference, g, packed);
    }
}

TEST_P(QuadrantOrder, AllOnesFillTheWholeFrame) {
    const std::vector<uint8_t> ones(2 * 640, 0xFF);
    std::vector<uint16_t> out(32 * 32, 0);
    kernels->unpackQuadrants(out.data(), ones.data(), 32, 32);
    EXPECT_EQ(out, std::vector<uint16_t>(32 * 32, 1023));
}

INSTANTIATE_EVERY_PATH(LaneOrder);
INSTANTIATE_EVERY_PATH(QuadrantOrder);

TEST(FastDispatch, RequestPicksTheBestPathTheCpuRuns) {
    EXPECT_EQ(ChooseSimdPath(nullptr, true, true), SimdPath::Avx2);
    EXPECT_EQ(ChooseSimdPath(nullptr, true, false), SimdPath::Sse41);
    EXPECT_EQ(ChooseSimdPath(nullptr, false, false), SimdPath::Scalar);
    EXPECT_EQ(ChooseSimdPath("scalar", true, true), SimdPath::Scalar);
    EXPECT_EQ(ChooseSimdPath("sse41", true, true), SimdPath::Sse41);
    EXPECT_EQ(ChooseSimdPath("sse41", false, false), SimdPath::Scalar);
    EXPECT_EQ(ChooseSimdPath("avx2", true, false), SimdPath::Sse41);
    EXPECT_EQ(ChooseSimdPath("avx2", false, false), SimdPath::Scalar);
    EXPECT_EQ(ChooseSimdPath("AVX-512", true, true), SimdPath::Avx2);
    EXPECT_TRUE(SimdPathAvailable(SimdPath::Scalar));
}

void SetSimdRequest(const char* value) {
#ifdef _WIN32
    _putenv_s("QUORVANE_SIMD", value != nullptr ? value : "");
#else
    if (value != nullptr) {
        setenv("QUORVANE_SIMD", value, 1);
    } else {
        unsetenv("QUORVANE_SIMD");
    }
#endif
}

// The choice is made once per process, so it is observed in a fresh one.
TEST(FastDispatch, EnvironmentForcesThePath) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SetSimdRequest("scalar");
    EXPECT_EXIT(std::exit(static_cast<int>(ActiveSimdPath())), testing::ExitedWithCode(0), "");
    if (SimdPathAvailable(SimdPath::Sse41)) {
        SetSimdRequest("sse41");
        EXPECT_EXIT(std::exit(static_cast<int>(ActiveSimdPath())), testing::ExitedWithCode(1), "");
    }
    SetSimdRequest(nullptr);
}

TEST(FastDispatch, EntryPointsUseAWorkingPath) {
    const Geometry g{64, 32};
    const std::vector<uint8_t> packed = RandomBytes(SampleCount(g) / 32 * 40, 7);
    ExpectSameFrame(UnpackLanesFast, UnpackLanesReference, g, packed);
    ExpectSameFrame(UnpackQuadrantsFast, UnpackQuadrantsReference, g, packed);
}

} // namespace
