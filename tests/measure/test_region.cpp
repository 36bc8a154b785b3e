// SPDX-License-Identifier: BSD-3-Clause
// Region statistics against a brute-force reference, fed at once and in
// pieces of every size, and the refusal texts.
#include "measure/Region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 23;
constexpr int kHeight = 17;

std::vector<uint16_t> NoiseFrame(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, 1023);
    std::vector<uint16_t> frame(static_cast<size_t>(kWidth) * kHeight);
    for (uint16_t& sample : frame) {
        sample = static_cast<uint16_t>(value(random));
    }
    return frame;
}

// The pixel-centre rule written out directly: (x + 0.5, y + 0.5) inside
// the ellipse inscribed in the box, boundary included.
bool InsideEllipse(const Region& r, int col, int row) {
    const double rx = r.width / 2.0;
    const double ry = r.height / 2.0;
    const double dx = (col + 0.5 - rx) / rx;
    const double dy = (row + 0.5 - ry) / ry;
    return dx * dx + dy * dy <= 1.0 + 1e-12;
}

RegionStats BruteForce(const std::vector<uint16_t>& frame, const Region& r) {
    std::vector<double> values;
    for (int row = 0; row < r.height; ++row) {
        for (int col = 0; col < r.width; ++col) {
            if (!r.ellipse || InsideEllipse(r, col, row)) {
                values.push_back(frame[static_cast<size_t>(r.y + row) * kWidth + r.x + col]);
            }
        }
    }
    RegionStats stats;
    stats.pixels = static_cast<int64_t>(values.size());
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    stats.mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (double v : values) {
        squares += (v - stats.mean) * (v - stats.mean);
    }
    stats.stddev = std::sqrt(squares / static_cast<double>(values.size()));
    stats.min = static_cast<int>(*std::min_element(values.begin(), values.end()));
    stats.max = static_cast<int>(*std::max_element(values.begin(), values.end()));
    return stats;
}

void ExpectSame(const RegionStats& got, const RegionStats& want, const char* what) {
    EXPECT_EQ(got.pixels, want.pixels) << what;
    EXPECT_NEAR(got.mean, want.mean, 1e-9) << what;
    EXPECT_NEAR(got.stddev, want.stddev, 1e-9) << what;
    EXPECT_EQ(got.min, want.min) << what;
    EXPECT_EQ(got.max, want.max) << what;
}

const std::vector<Region> kRegions = {
    {0, 0, kWidth, kHeight, false}, {0, 0, kWidth, kHeight, true}, // whole frame, odd sizes
    {3, 2, 1, 1, false},           {3, 2, 1, 1, true},             // one pixel
    {0, 5, kWidth, 1, true},       {7, 0, 1, kHeight, true},       // 1 x N and N x 1
    {4, 4, 8, 6, true},            {5, 3, 9, 7, true},             // even and odd
    {kWidth - 4, kHeight - 3, 4, 3, false},                        // bottom-right corner
    {kWidth - 5, 0, 5, 5, true},   {0, kHeight - 2, 2, 2, true},   // corners, ellipse
    {2, 1, 20, 2, true},           {1, 1, 3, 15, true},            // thin ellipses
};

TEST(RegionStatsTest, MatchesBruteForceAtOnceAndInPieces) {
    const std::vector<uint16_t> frame = NoiseFrame(7);
    const int64_t total = int64_t{kWidth} * kHeight;
    for (const Region& region : kRegions) {
        ASSERT_EQ(CheckRegion(region, kWidth, kHeight), "");
        const RegionStats want = BruteForce(frame, region);
        ExpectSame(ComputeRegionStats(frame.data(), kWidth, region), want, "at once");
        RegionAccumulator accumulator(region, kWidth);
        for (int64_t piece : {1, 2, 5, 22, 23, 24, 64, 391}) {
            accumulator.Reset();
            for (int64_t begin = 0; begin < total; begin += piece) {
                accumulator.Add(frame.data(), begin, std::min(begin + piece, total));
            }
            ExpectSame(accumulator.Result(), want, "in pieces");
        }
    }
}

TEST(RegionStatsTest, ConstantAndExtremeValues) {
    for (uint16_t value : {uint16_t{0}, uint16_t{1023}, uint16_t{65535}}) {
        const std::vector<uint16_t> frame(static_cast<size_t>(kWidth) * kHeight, value);
        const RegionStats stats = ComputeRegionStats(frame.data(), kWidth, {0, 0, kWidth, kHeight});
        EXPECT_EQ(stats.pixels, kWidth * kHeight);
        EXPECT_EQ(stats.mean, value);
        EXPECT_EQ(stats.stddev, 0.0);
        EXPECT_EQ(stats.min, value);
        EXPECT_EQ(stats.max, value);
    }
}

TEST(RegionStatsTest, EllipsePixelCounts) {
    // Counts from the pixel-centre rule, worked by hand.
    struct Case {
        int width, height;
        int64_t pixels;
    };
    for (const Case& c : std::vector<Case>{{1, 1, 1}, {2, 2, 4}, {3, 3, 9}, {4, 4, 12},
                                            {1, 5, 5}, {5, 1, 5}, {6, 2, 12}, {8, 2, 12}}) {
        const std::vector<uint16_t> frame(static_cast<size_t>(kWidth) * kHeight, 1);
        const Region region{0, 0, c.width, c.height, true};
        EXPECT_EQ(ComputeRegionStats(frame.data(), kWidth, region).pixels, c.pixels)
            << c.width << "x" << c.height;
    }
}

TEST(RegionStatsTest, CheckRegionTexts) {
    struct Case {
        Region region;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{0, 0, 23, 17}, ""},
        {{22, 16, 1, 1}, ""},
        {{0, 0, 0, 5}, "region 0,0,0,5 is empty (the frame is 23 x 17)"},
        {{0, 0, 5, -1}, "region 0,0,5,-1 is empty (the frame is 23 x 17)"},
        {{-1, 0, 5, 5}, "region -1,0,5,5 does not lie inside the frame of 23 x 17"},
        {{0, -1, 5, 5}, "region 0,-1,5,5 does not lie inside the frame of 23 x 17"},
        {{19, 0, 5, 5}, "region 19,0,5,5 does not lie inside the frame of 23 x 17"},
        {{0, 13, 5, 5}, "region 0,13,5,5 does not lie inside the frame of 23 x 17"},
        {{2147483647, 0, 2147483647, 1},
         "region 2147483647,0,2147483647,1 does not lie inside the frame of 23 x 17"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckRegion(c.region, kWidth, kHeight), c.message);
    }
}

} // namespace
