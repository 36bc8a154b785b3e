// SPDX-License-Identifier: BSD-3-Clause
// The Plot Over Time and Line Profile windows on a demo recording: the
// worker's values against the region statistics of each frame, Cancel and
// closing during a run, the cursor and clicks against the frame shown, the
// profile following the frames, and Copy and Save As.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/FrameNavigator.h"
#include "app/LineProfileWindow.h"
#include "app/MeasurePlots.h"
#include "app/PlotOverTimeWindow.h"
#include "app/PlotWidget.h"
#include "app/TimeAxis.h"
#include "recording/CVornDoc.h"
#include "recording/DemoRecording.h"
#include "tests/gui_navigation/OpenShown.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

class PlotWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        f = NewActiveFrame();
    }

    // A demo recording of `frames` frames numbered from -10, open and shown.
    CVornDoc* OpenDemo(int frames, int width = kWidth, int height = kHeight) {
        DemoOptions options;
        options.frames = frames;
        options.width = width;
        options.height = height;
        options.firstNumber = -10;
        m_path = m_dir.filePath(QStringLiteral("demo%1.vrn").arg(frames));
        EXPECT_TRUE(WriteDemoRecording(QFile::encodeName(m_path).toStdString(), options));
        return OpenShown(*f, m_path);
    }

    // Frame `index` read on its own, corrected as the viewer shows it.
    std::vector<uint16_t> ReadFrame(int index, int width = kWidth, int height = kHeight) const {
        VornReader reader;
        EXPECT_EQ(reader.Open(QFile::encodeName(m_path).constData(), 1), 1);
        std::vector<uint16_t> samples(static_cast<std::size_t>(width) * height);
        const int32_t bytes = width * height * 2;
        EXPECT_EQ(reader.ReadFrame(samples.data(), index, bytes), bytes);
        return samples;
    }

    template <class Window> Window* Opened() const {
        const QList<Window*> windows = f->MDIGetActive()->findChildren<Window*>();
        return windows.isEmpty() ? nullptr : windows.last();
    }

    PlotOverTimeWindow* PlotAndWait(const Region& region) {
        OpenPlotOverTime(f->MDIGetActive(), region);
        PlotOverTimeWindow* window = Opened<PlotOverTimeWindow>();
        EXPECT_TRUE(window && QTest::qWaitFor([window] { return !window->Running(); }, 20000));
        return window;
    }

    int Shown() const { return f->GetActiveDocument()->m_pReader->currentFrame; }

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<CMainFrame> f;
};

struct SeriesCase {
    Region region;
    int rangeStart; // -1: all frames
    int rangeEnd;
};

class PlotSeriesTest : public PlotWindowsTest, public ::testing::WithParamInterface<SeriesCase> {};

TEST_P(PlotSeriesTest, ValuesAreTheRegionStatisticsOfEachFrame) {
    const SeriesCase& c = GetParam();
    CVornDoc* doc = OpenDemo(30);
    ASSERT_TRUE(doc);
    if (c.rangeStart >= 0) { // the conversion bar's range of the active recording
        f->m_nRangeMode = 0;
        f->m_nStartFrame = c.rangeStart;
        f->m_nEndFrame = c.rangeEnd;
    }
    PlotOverTimeWindow* window = PlotAndWait(c.region);
    ASSERT_TRUE(window);
    ASSERT_EQ(window->Result().status, SeriesStatus::Done) << window->Result().message;
    const int first = c.rangeStart >= 0 ? c.rangeStart : 0;
    const int last = c.rangeStart >= 0 ? c.rangeEnd : 29;
    ASSERT_EQ(window->Samples().size(), static_cast<std::size_t>(last - first + 1));
    for (const RegionSample& sample : window->Samples()) {
        const int index = first + static_cast<int>(&sample - window->Samples().data());
        ASSERT_EQ(sample.index, index);
        EXPECT_EQ(sample.number, index - 10);
        const std::vector<uint16_t> samples = ReadFrame(index);
        const RegionStats expected = ComputeRegionStats(samples.data(), kWidth, c.region);
        EXPECT_EQ(sample.stats.pixels, expected.pixels);
        EXPECT_DOUBLE_EQ(sample.stats.mean, expected.mean) << index;
        EXPECT_EQ(sample.stats.min, expected.min);
        EXPECT_EQ(sample.stats.max, expected.max);
    }
    // The plot holds the same values, the progress bar is full.
    const PlotSeries& mean = window->Plot()->Series(0);
    ASSERT_EQ(mean.y.size(), window->Samples().size());
    EXPECT_DOUBLE_EQ(mean.y.back(), window->Samples().back().stats.mean);
    EXPECT_EQ(window->Progress()->value(), window->Progress()->maximum());
    EXPECT_FALSE(window->CancelButton()->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Regions, PlotSeriesTest,
                         ::testing::Values(SeriesCase{{10, 8, 40, 30, false}, -1, -1},
                                           SeriesCase{{0, 0, kWidth, kHeight, true}, -1, -1},
                                           SeriesCase{{50, 20, 7, 9, true}, 4, 17},
                                           SeriesCase{{95, 63, 1, 1, false}, 29, 29}));

TEST_F(PlotWindowsTest, CancelAndCloseStopTheWorker) {
    ASSERT_TRUE(OpenDemo(300, 512, 256));
    OpenPlotOverTime(f->MDIGetActive(), Region{0, 0, 512, 256, false});
    PlotOverTimeWindow* window = Opened<PlotOverTimeWindow>();
    ASSERT_TRUE(window);
    QTest::mouseClick(window->CancelButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([window] { return !window->Running(); }, 20000));
    EXPECT_EQ(window->Result().status, SeriesStatus::Cancelled);
    EXPECT_LT(window->Samples().size(), 300u);
    EXPECT_TRUE(window->StatusLabel()->text().contains(QStringLiteral("Cancelled")));

    // Closing a window in the middle of a run, or the recording's window
    // with it, stops its worker.
    OpenPlotOverTime(f->MDIGetActive(), Region{0, 0, 512, 256, false});
    QPointer<PlotOverTimeWindow> closing = Opened<PlotOverTimeWindow>();
    ASSERT_TRUE(closing && closing->Running());
    closing->close();
    EXPECT_TRUE(QTest::qWaitFor([&closing] { return closing.isNull(); }));
    OpenPlotOverTime(f->MDIGetActive(), Region{0, 0, 512, 256, false});
    QPointer<PlotOverTimeWindow> orphan = Opened<PlotOverTimeWindow>();
    f->OnFileClose();
    EXPECT_TRUE(QTest::qWaitFor([&orphan] { return orphan.isNull(); }));
}

TEST_F(PlotWindowsTest, CursorFollowsTheFrameAndClicksShowOne) {
    CVornDoc* doc = OpenDemo(30);
    ASSERT_TRUE(doc);
    f->Time()->SetRate(*doc, 1000.0);
    const struct {
        PlotOverTimeWindow::XAxis axis;
        double (*x)(int index); // the axis value of frame `index`
    } axes[] = {
        {PlotOverTimeWindow::XAxis::Index, [](int index) { return double(index); }},
        {PlotOverTimeWindow::XAxis::Number, [](int index) { return index - 10.0; }},
        {PlotOverTimeWindow::XAxis::Time, [](int index) { return (index - 10.0); }}, // ms
    };
    PlotOverTimeWindow* window = PlotAndWait(Region{0, 0, 20, 20, false});
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    for (const auto& axis : axes) {
        window->SetXAxis(axis.axis);
        EXPECT_EQ(window->GetXAxis(), axis.axis);
        ASSERT_TRUE(f->Navigator()->ShowFrame(9));
        ASSERT_TRUE(window->Plot()->Cursor().has_value());
        EXPECT_DOUBLE_EQ(*window->Plot()->Cursor(), axis.x(9));
        PlotWidget* plot = window->Plot();
        const QPoint at(static_cast<int>(std::lround(plot->PositionOfX(axis.x(17)))),
                        plot->height() / 2);
        QTest::mouseClick(plot, Qt::LeftButton, {}, at);
        EXPECT_EQ(Shown(), 17);
        EXPECT_DOUBLE_EQ(*window->Plot()->Cursor(), axis.x(17));
    }
    // A click beyond the range's end shows its last frame.
    window->SetXAxis(PlotOverTimeWindow::XAxis::Index);
    QTest::mouseClick(window->Plot(), Qt::LeftButton, {},
                      QPoint(window->Plot()->width() - 30, window->Plot()->height() / 2));
    EXPECT_EQ(Shown(), 29);
}

TEST_F(PlotWindowsTest, TimeAxisFollowsTheRate) {
    CVornDoc* doc = OpenDemo(30);
    ASSERT_TRUE(doc);
    PlotOverTimeWindow* window = PlotAndWait(Region{0, 0, 20, 20, false});
    ASSERT_TRUE(window);
    using XAxis = PlotOverTimeWindow::XAxis;
    const auto timeOfFirst = [window] { return window->MakeTable().rows.front().at(2); };
    // Without a rate the time is refused; a rate set later (Properties)
    // offers it, and clearing it falls back to the index.
    const struct {
        std::optional<double> rate;
        XAxis shown;
        const char* time; // time_s of frame 0 (number -10)
    } steps[] = {{std::nullopt, XAxis::Index, ""},
                 {1000.0, XAxis::Time, "-0.01"},
                 {std::nullopt, XAxis::Index, ""}};
    for (const auto& step : steps) {
        f->Time()->SetRate(*doc, step.rate);
        ASSERT_TRUE(f->Navigator()->ShowFrame(3));
        window->SetXAxis(XAxis::Time);
        EXPECT_EQ(window->GetXAxis(), step.shown);
        EXPECT_EQ(timeOfFirst(), QLatin1String(step.time));
    }
}

TEST_F(PlotWindowsTest, ProfileFollowsTheFrameShown) {
    ASSERT_TRUE(OpenDemo(30));
    const Line line{3, 5, 90.5, 60};
    OpenLineProfile(f->MDIGetActive(), line);
    LineProfileWindow* window = Opened<LineProfileWindow>();
    ASSERT_TRUE(window);
    // Named after the recording, not after the frame shown when it opened.
    ASSERT_TRUE(f->Navigator()->ShowFrame(7));
    const QString title = window->windowTitle();
    EXPECT_TRUE(title.startsWith(QStringLiteral("Line Profile - demo30"))) << title.toStdString();
    EXPECT_FALSE(title.contains(QStringLiteral("/30"))) << title.toStdString();
    for (const int index : {0, 12, 29, 3}) {
        ASSERT_TRUE(f->Navigator()->ShowFrame(index));
        EXPECT_EQ(window->ProfileFrame(), index);
        const std::vector<uint16_t> samples = ReadFrame(index);
        EXPECT_EQ(window->Values(), LineProfile(samples.data(), kWidth, kHeight, line)) << index;
        EXPECT_EQ(window->Plot()->Series(0).y, window->Values());
        EXPECT_EQ(window->windowTitle(), title);
    }
    EXPECT_EQ(window->Values().size(), std::size_t(std::lround(LineLength(line)) + 1));
}

TEST_F(PlotWindowsTest, ShapesOutsideTheFrameAreRefused) {
    ASSERT_TRUE(OpenDemo(30));
    QStringList messages;
    f->SetMessageSink([&messages](const QString& text) { messages << text; });
    OpenPlotOverTime(f->MDIGetActive(), Region{90, 60, 10, 10, false});
    OpenLineProfile(f->MDIGetActive(), Line{0, 0, 96, 10});
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("96 x 64")));
    EXPECT_FALSE(Opened<PlotOverTimeWindow>());
    EXPECT_FALSE(Opened<LineProfileWindow>());
}

TEST_F(PlotWindowsTest, CopyAndSaveAsWriteTheTableAndImages) {
    ASSERT_TRUE(OpenDemo(30));
    PlotOverTimeWindow* plot = PlotAndWait(Region{10, 10, 8, 8, false});
    OpenLineProfile(f->MDIGetActive(), Line{0, 0, 40, 0});
    LineProfileWindow* profile = Opened<LineProfileWindow>();
    ASSERT_TRUE(plot && profile);
    const struct {
        PlotWindow* window;
        const char* header;
        int rows;
    } windows[] = {{plot, "index,number,time_s,mean,std,min,max,pixels", 30},
                   {profile, "position_px,x,y,value", 41}};
    for (const auto& w : windows) {
        QString asked;
        QString answer;
        w.window->SetSaveDialog([&](QWidget*, const QString& name) {
            asked = name;
            return answer;
        });
        for (const char* suffix : {"csv", "png", "svg"}) {
            answer = m_dir.filePath(w.window->objectName() + QLatin1Char('.') +
                                    QLatin1String(suffix));
            QTest::mouseClick(w.window->SaveButton(), Qt::LeftButton);
            ASSERT_TRUE(QFile::exists(answer)) << answer.toStdString();
        }
        EXPECT_TRUE(asked.endsWith(w.window->objectName() + QStringLiteral(".csv")));
        QFile csv(m_dir.filePath(w.window->objectName() + QStringLiteral(".csv")));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'),
                                                                        Qt::SkipEmptyParts);
        EXPECT_EQ(lines.front(), QLatin1String(w.header));
        EXPECT_EQ(lines.size(), w.rows + 1);
        const QImage image(m_dir.filePath(w.window->objectName() + QStringLiteral(".png")));
        EXPECT_EQ(image.size(), QSize(960, 540));
        QFile svg(m_dir.filePath(w.window->objectName() + QStringLiteral(".svg")));
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        EXPECT_TRUE(svg.readAll().contains("<svg"));

        QTest::mouseClick(w.window->CopyButton(), Qt::LeftButton);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), w.window->TableText(QLatin1Char('\t')));
    }
    // The first plot row: frame 0, number -10, the region's values.
    EXPECT_TRUE(plot->TableText(QLatin1Char(',')).section(QLatin1Char('\n'), 1, 1)
                    .startsWith(QStringLiteral("0,-10,,")));

    // A file that cannot be written is reported, nothing is left behind.
    QStringList messages;
    f->SetMessageSink([&messages](const QString& text) { messages << text; });
    EXPECT_FALSE(profile->SaveTo(m_dir.filePath(QStringLiteral("missing/profile.csv"))));
    EXPECT_EQ(messages.size(), 1);
}

} // namespace
