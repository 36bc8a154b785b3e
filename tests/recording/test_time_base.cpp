// SPDX-License-Identifier: BSD-3-Clause
// Numbers, times, rates and frame names of the time axis.
#include "recording/TimeBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(TimeBase, RatesReadOrAreRefused) {
    const struct {
        const char* text;
        double rate; // 0: refused
    } cases[] = {
        {"50000", 50000},   {"50k", 50000},     {" 1.2M ", 1.2e6}, {"2.5K", 2500},
        {"0.5", 0.5},       {"1e4", 1e4},       {"0", 0},          {"-50", 0},
        {"\xe2\x88\x92" "5", 0}, {"nan", 0},    {"inf", 0},        {"fast", 0},
        {"", 0},            {"50 fps", 0},      {"1e999", 0},      {"0x10", 0},
        {"+5", 0},          {"1e-9", 0},        {"1e300k", 0},     {"20G", 0},
        {"k", 0},           {"5kk", 0},
    };
    for (const auto& c : cases) {
        double rate = -1;
        std::string error;
        const bool ok = ParseRate(c.text, rate, error);
        EXPECT_EQ(ok, c.rate != 0) << c.text;
        if (ok)
            EXPECT_DOUBLE_EQ(rate, c.rate) << c.text;
        else
            EXPECT_FALSE(error.empty()) << c.text;
    }
    for (const double rate : {50000.0, 1.5, 0.001, 1.2e6, 1e10}) {
        double back = 0;
        std::string error;
        EXPECT_TRUE(ParseRate(FormatRate(rate), back, error)) << FormatRate(rate);
        EXPECT_EQ(back, rate);
    }
    EXPECT_EQ(FormatRate(50000), "50000");
}

TEST(TimeBase, TimesPrintWithFourDigitsAndAUnit) {
    const struct {
        double seconds;
        TimeStyle style;
        const char* text;
    } cases[] = {
        {-240e-6, TimeStyle::Text, "-240.0 \xc2\xb5s"},
        {-240e-6, TimeStyle::Screen, "\xe2\x88\x92" "240.0 \xc2\xb5s"},
        {-240e-6, TimeStyle::Ascii, "-240.0 us"},
        {1.5e-3, TimeStyle::Text, "1.500 ms"},
        {2, TimeStyle::Text, "2.000 s"},
        {0, TimeStyle::Text, "0.000 s"},
        {999.96e-6, TimeStyle::Text, "1.000 ms"},
        {12.34567e-9, TimeStyle::Text, "12.35 ns"},
        {1234.5, TimeStyle::Text, "1235 s"},
        {-0.02, TimeStyle::Text, "-20.00 ms"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTime(c.seconds, c.style), c.text) << c.seconds;
    EXPECT_EQ(SecondsText(-240e-6), "-0.00024");
    EXPECT_EQ(SecondsText(1.0 / 3), "0.333333333");
}

TEST(TimeBase, NumbersTriggerAndTimes) {
    const TimeBase pre(-488, 1000, 50000.0);
    EXPECT_EQ(pre.NumberOf(0), -488);
    EXPECT_EQ(pre.LastNumber(), 511);
    EXPECT_EQ(pre.TriggerIndex(), 488);
    EXPECT_EQ(pre.IndexOfNumber(-488), 0);
    EXPECT_EQ(pre.IndexOfNumber(512), std::nullopt);
    EXPECT_DOUBLE_EQ(*pre.TimeOf(476), -12 / 50000.0);
    EXPECT_DOUBLE_EQ(*pre.Duration(), 0.02);
    EXPECT_EQ(pre.IndexNearestTime(-240e-6), 476);
    EXPECT_EQ(pre.IndexNearestTime(-241e-6), 476);  // nearest frame
    EXPECT_EQ(pre.IndexNearestTime(-1), std::nullopt);
    EXPECT_EQ(pre.IndexNearestTime(1e300), std::nullopt);
    EXPECT_EQ(pre.ClampedIndexOfNumber(-5000), 0);
    EXPECT_EQ(pre.ClampedIndexOfNumber(5000), 999);
    EXPECT_EQ(pre.ClampedIndexNearTime(-1), 0);
    EXPECT_EQ(pre.ClampedIndexNearTime(1e300), 999);
    EXPECT_EQ(pre.ClampedIndexNearTime(-240e-6), 476);
    EXPECT_EQ(pre.FrameLabel(476), "#-12  -240.0 \xc2\xb5s");

    // Wholly after the trigger, and without a rate.
    const TimeBase post(10, 5);
    EXPECT_EQ(post.TriggerIndex(), std::nullopt);
    EXPECT_EQ(post.TimeOf(0), std::nullopt);
    EXPECT_EQ(post.FrameLabel(0), "#10");
    TimeBase refused(0, 5, 0.0);
    EXPECT_EQ(refused.Rate(), std::nullopt);
}

TEST(TimeBase, FramesNamedThreeWays) {
    const TimeBase rated(-488, 1000, 50000.0);
    const TimeBase plain(-488, 1000);
    const struct {
        const TimeBase* base;
        const char* text;
        int32_t index;       // -1: refused
        const char* message; // part of the refusal
    } cases[] = {
        {&rated, "12", 12, ""},
        {&rated, " 999 ", 999, ""},
        {&rated, "1000", -1, "frames 0..999"},
        {&rated, "-1", -1, "frames 0..999"},
        {&rated, "#-476", 12, ""},
        {&rated, "#\xe2\x88\x92" "476", 12, ""},
        {&rated, "#0", 488, ""},
        {&rated, "#512", -1, "numbers #-488..#511"},
        {&rated, "#x", -1, "not a frame number"},
        {&rated, "-240us", 476, ""},
        {&rated, "-240 \xc2\xb5s", 476, ""},
        {&rated, "1.5ms", 563, ""},
        {&rated, "0.002s", 588, ""},
        {&rated, "1s", -1, "times -9.760 ms..10.22 ms"},
        {&plain, "-240us", -1, "needs the recording rate"},
        {&rated, "12 frames", -1, "not a frame"},
        {&rated, "", -1, "not a frame"},
        {&rated, "99999999999999999999", -1, "not a frame"},
    };
    for (const auto& c : cases) {
        int32_t index = -1;
        std::string error;
        const bool ok = c.base->ParseFrame(c.text, index, error);
        EXPECT_EQ(ok, c.index >= 0) << c.text << ": " << error;
        if (ok)
            EXPECT_EQ(index, c.index) << c.text;
        else
            EXPECT_NE(error.find(c.message), std::string::npos) << c.text << ": " << error;
    }
    EXPECT_EQ(FormOfFrame(" 12"), FrameForm::Index);
    EXPECT_EQ(FormOfFrame("#-3"), FrameForm::Number);
    EXPECT_EQ(FormOfFrame("-3ms"), FrameForm::Time);
    EXPECT_EQ(FormOfFrame("3 frames"), FrameForm::Invalid);
}

} // namespace
