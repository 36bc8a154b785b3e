// SPDX-License-Identifier: BSD-3-Clause
// Lines (checks, length, angle, profiles) and spatial scales.
#include "measure/Line.h"
#include "measure/Scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kWidth = 9;
constexpr int kHeight = 6;

// value = 10 x + 100 y + 3: bilinear interpolation reproduces it exactly
// anywhere between pixel centres.
std::vector<uint16_t> Ramp() {
    std::vector<uint16_t> frame(static_cast<size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            frame[static_cast<size_t>(y) * kWidth + x] = static_cast<uint16_t>(10 * x + 100 * y + 3);
        }
    }
    return frame;
}

TEST(LineTest, ProfilesSampleEveryPixelStep) {
    struct Case {
        Line line;
        size_t samples;
    };
    const std::vector<Case> cases = {
        {{0, 0, 8, 0}, 9},     // horizontal, whole row
        {{8, 5, 0, 5}, 9},     // horizontal, backwards
        {{3, 0, 3, 5}, 6},     // vertical
        {{0, 0, 5, 5}, 8},     // diagonal: length 7.07
        {{1.5, 2, 2.5, 2}, 2}, // one pixel long: both ends
        {{0, 0, 0.3, 0}, 2},   // shorter than a pixel: still both ends
        {{0.5, 0.5, 7.5, 4.5}, 9},
    };
    const std::vector<uint16_t> frame = Ramp();
    for (const Case& c : cases) {
        ASSERT_EQ(CheckLine(c.line, kWidth, kHeight), "");
        const std::vector<double> values = LineProfile(frame.data(), kWidth, kHeight, c.line);
        ASSERT_EQ(values.size(), c.samples) << c.line.x0 << "," << c.line.y0;
        for (size_t i = 0; i < values.size(); ++i) {
            const double t = static_cast<double>(i) / static_cast<double>(values.size() - 1);
            const double x = c.line.x0 + (c.line.x1 - c.line.x0) * t;
            const double y = c.line.y0 + (c.line.y1 - c.line.y0) * t;
            EXPECT_NEAR(values[i], 10 * x + 100 * y + 3, 1e-9) << "sample " << i;
        }
    }
}

TEST(LineTest, BilinearMidpointsAverageTheirNeighbours) {
    std::vector<uint16_t> frame(static_cast<size_t>(kWidth) * kHeight, 0);
    frame[static_cast<size_t>(2) * kWidth + 4] = 400; // one bright pixel at (4, 2)
    struct Case {
        Line line;
        std::vector<double> values;
    };
    const std::vector<Case> cases = {
        {{3, 2, 5, 2}, {0, 400, 0}},
        {{3.5, 2, 5.5, 2}, {200, 200, 0}},
        {{3.5, 1.5, 5.5, 1.5}, {100, 100, 0}},
        {{4, 0, 4, 4}, {0, 0, 400, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LineProfile(frame.data(), kWidth, kHeight, c.line), c.values);
    }
}

TEST(LineTest, LengthAngleAndChecks) {
    struct Case {
        Line line;
        double length, angle;
    };
    const std::vector<Case> cases = {
        {{0, 0, 3, 4}, 5, -53.13010235415598}, // y points down in the image
        {{0, 4, 3, 0}, 5, 53.13010235415598},
        {{5, 1, 1, 1}, 4, 180},
        {{1, 1, 1, 5}, 4, -90},
        {{1, 5, 1, 1}, 4, 90},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(LineLength(c.line), c.length);
        EXPECT_NEAR(LineAngle(c.line), c.angle, 1e-9);
    }
    struct Refusal {
        Line line;
        const char* message;
    };
    const std::vector<Refusal> refusals = {
        {{0, 0, 8, 5}, ""},
        {{0, 0, 9, 5}, "line 0,0,9,5 does not lie inside the frame of 9 x 6"},
        {{-0.5, 0, 2, 2}, "line -0.5,0,2,2 does not lie inside the frame of 9 x 6"},
        {{1, 1, 2, 6}, "line 1,1,2,6 does not lie inside the frame of 9 x 6"},
        {{2.5, 3, 2.5, 3}, "line 2.5,3,2.5,3 is empty (the frame is 9 x 6)"},
        {{NAN, 0, 1, 1}, "line nan,0,1,1 does not lie inside the frame of 9 x 6"},
    };
    for (const Refusal& r : refusals) {
        EXPECT_EQ(CheckLine(r.line, kWidth, kHeight), r.message);
    }
}

TEST(ScaleTest, ParsesAndFormats) {
    struct Case {
        const char* text;
        bool ok;
        Scale scale;
        const char* formatted;
    };
    const std::vector<Case> cases = {
        {"412=10mm", true, {412, 10, "mm"}, "412=10mm"},
        {" 412 = 10 µm ", true, {412, 10, "µm"}, "412=10µm"},
        {"100=2.5um", true, {100, 2.5, "µm"}, "100=2.5µm"},
        {"1.5=1e-3m", true, {1.5, 1e-3, "m"}, "1.5=0.001m"},
        {"50=3nm", true, {50, 3, "nm"}, "50=3nm"},
        {"50=3cm", true, {50, 3, "cm"}, "50=3cm"},
        {"412", false, {}, ""},
        {"=10mm", false, {}, ""},
        {"412=mm", false, {}, ""},
        {"412=10", false, {}, ""},
        {"412=10km", false, {}, ""},
        {"0=10mm", false, {}, ""},
        {"412=-1mm", false, {}, ""},
        {"412=0mm", false, {}, ""},
        {"x=10mm", false, {}, ""},
        {"412=10,5mm", false, {}, ""},
        {"inf=10mm", false, {}, ""},
        {"412=10mm=3", false, {}, ""},
    };
    for (const Case& c : cases) {
        Scale scale{7, 7, "m"};
        std::string error;
        EXPECT_EQ(ParseScale(c.text, scale, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(scale, c.scale) << c.text;
            EXPECT_EQ(error, "");
            EXPECT_EQ(FormatScale(scale), c.formatted);
        } else {
            EXPECT_EQ(scale, (Scale{7, 7, "m"})) << c.text; // untouched
            EXPECT_NE(error, "");
        }
    }
}

TEST(ScaleTest, LengthsInTheScaleUnit) {
    const Scale scale{412, 10, "mm"};
    EXPECT_DOUBLE_EQ(MetresPerPixel(scale), 0.010 / 412);
    EXPECT_EQ(FormatLength(100, scale), "2.427 mm");
    EXPECT_EQ(FormatLength(412, scale), "10 mm");
    EXPECT_EQ(FormatLength(0.5, Scale{1, 3, "µm"}), "1.5 µm");
}

} // namespace
