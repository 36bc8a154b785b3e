// SPDX-License-Identifier: BSD-3-Clause
// The plot widget's axes: round ticks and their labels, the time unit, and
// the widget's mapping between positions and x values, clicks and images.
#include "app/PlotTicks.h"
#include "app/PlotWidget.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

struct TickCase {
    double low, high;
    int maxTicks;
    bool integers;
    double axisLow, axisHigh, step;
    int decimals;
};

class TicksTest : public ::testing::TestWithParam<TickCase> {};

TEST_P(TicksTest, RoundStepsCoverTheSpan) {
    const TickCase& c = GetParam();
    const AxisTicks ticks = ComputeTicks(c.low, c.high, c.maxTicks, c.integers);
    EXPECT_DOUBLE_EQ(ticks.low, c.axisLow);
    EXPECT_DOUBLE_EQ(ticks.high, c.axisHigh);
    EXPECT_DOUBLE_EQ(ticks.step, c.step);
    EXPECT_EQ(ticks.decimals, c.decimals);
    ASSERT_GE(ticks.values.size(), 2u);
    EXPECT_LE(ticks.values.size(), static_cast<std::size_t>(std::max(c.maxTicks, 2)));
    EXPECT_DOUBLE_EQ(ticks.values.front(), ticks.low);
    EXPECT_DOUBLE_EQ(ticks.values.back(), ticks.high);
    for (std::size_t i = 1; i < ticks.values.size(); ++i)
        EXPECT_NEAR(ticks.values[i] - ticks.values[i - 1], ticks.step, ticks.step * 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, TicksTest,
    ::testing::Values(
        TickCase{0, 519, 11, true, 0, 600, 100, 0},        // frame indices
        TickCase{0, 10, 11, false, 0, 10, 1, 0},           // exact fit
        TickCase{0, 1, 6, false, 0, 1, 0.2, 1},            // 2 x 10^-1
        TickCase{3, 7.2, 5, false, 2, 8, 2, 0},            // rounded out at both ends
        TickCase{-476, 43, 6, true, -600, 200, 200, 0},    // negative numbers
        TickCase{612, 612, 5, false, 550, 700, 50, 0},     // flat: widened around the value
        TickCase{0, 0, 5, false, -1, 1, 0.5, 1},           // flat at zero
        TickCase{0, 3, 11, true, 0, 3, 1, 0},              // integers: no half steps
        TickCase{9, 1, 5, false, 0, 10, 5, 0},             // reversed ends
        TickCase{-2.4e-4, 1.0e-4, 5, false, -3e-4, 1e-4, 1e-4, 4}, // times
        TickCase{1, 2, 1, false, 1, 2, 1, 0},              // fewer than two asked for
        TickCase{std::numeric_limits<double>::quiet_NaN(), 5, 3, false, 0, 1, 0.5, 1}));

TEST(TickLabelTest, FixedDecimalsWithoutNegativeZero) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {100, 0, "100"},  {0.2, 1, "0.2"}, {-0.0, 0, "0"},     {-1e-13, 2, "0.00"},
        {-250, 0, "-250"}, {2.5e12, 0, "2.5e+12"}, {1.5e-11, 11, "1.5e-11"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTick(c.value, c.decimals), c.text) << c.value;
}

TEST(TimeUnitTest, ChosenByMagnitude) {
    const struct {
        double seconds;
        double perSecond;
        std::string name;
    } cases[] = {{2.5, 1, "s"}, {0.0104, 1e3, "ms"}, {-2.4e-4, 1e6, "\u00b5s"},
                 {5e-8, 1e9, "ns"}, {0, 1, "s"}};
    for (const auto& c : cases) {
        const TimeUnit unit = TimeUnitFor(c.seconds);
        EXPECT_EQ(unit.perSecond, c.perSecond) << c.seconds;
        EXPECT_EQ(unit.name, c.name) << c.seconds;
    }
}

TEST(PlotWidgetTest, ClickReportsTheXUnderTheMouse) {
    PlotWidget plot;
    plot.resize(640, 360);
    plot.AddSeries(QStringLiteral("mean"), Qt::blue);
    plot.SetData(0, {0, 100, 200}, {5, 7, 6});
    plot.SetIntegerX(true);
    plot.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
    QSignalSpy clicked(&plot, &PlotWidget::clicked);
    for (const double x : {0.0, 50.0, 200.0}) {
        const QPoint at(static_cast<int>(std::lround(plot.PositionOfX(x))), 180);
        QTest::mouseClick(&plot, Qt::LeftButton, {}, at);
        ASSERT_FALSE(clicked.isEmpty());
        EXPECT_NEAR(clicked.takeLast().at(0).toDouble(), x, 1.0);
    }
    // Outside the axes (the margin at the left) nothing is reported.
    QTest::mouseClick(&plot, Qt::LeftButton, {}, QPoint(2, 180));
    EXPECT_TRUE(clicked.isEmpty());
}

TEST(PlotWidgetTest, CursorAndSeriesReachTheImage) {
    PlotWidget plot;
    plot.resize(400, 300);
    plot.AddSeries(QStringLiteral("max"), QColor(214, 39, 40));
    plot.SetData(0, {0, 10}, {1, 1});
    plot.SetCursor(5.0);
    const QImage image = plot.ToImage(QSize(400, 300));
    const int cursorX = static_cast<int>(std::lround(plot.PositionOfX(5.0)));
    int cursorPixels = 0, seriesPixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QColor colour = image.pixelColor(cursorX, y);
        cursorPixels += colour.red() > 150 && colour.green() < 80 && colour.blue() < 80;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            seriesPixels += c.red() > 180 && c.green() < 90 && c.blue() < 90;
        }
    }
    EXPECT_GT(cursorPixels, 50); // a dashed line over the plot's height
    EXPECT_GT(seriesPixels, 200);
}

} // namespace
