// SPDX-License-Identifier: BSD-3-Clause
// The measuring tools in the main window: the dock's values against the
// region statistics of the frame shown (stepping and playback), the plot
// commands' enabling, Set Scale stored per recording with its identity
// check, manual tracking, copy and CSV, and shapes kept per window.
#include "app/CChildFrame.h"
#include "app/FrameNavigator.h"
#include "app/MeasureDock.h"
#include "app/MeasureTools.h"
#include "app/RecordingRates.h"
#include "app/TimeAxis.h"
#include "display/CVornView.h"
#include "recording/VornWriter.h"
#include "tests/gui_navigation/OpenShown.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDockWidget>
#include <QFile>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;
constexpr int kFrames = 12;

class MeasureToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        f = NewActiveFrame();
        tools = f->Measure();
        ASSERT_NE(tools, nullptr);
    }

    QString Write(const char* name) {
        VornRecipe recipe;
        recipe.width = kWidth;
        recipe.height = kHeight;
        recipe.frameCount = kFrames;
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe,
                              [](int32_t frame, uint16_t* s) {
                                  for (int i = 0; i < kWidth * kHeight; ++i)
                                      s[i] = static_cast<uint16_t>((i * 7 + frame * 31) % 1024);
                              }));
        return path;
    }

    CVornView* View() const { return f->MDIGetActive()->GetActiveView(); }
    MeasureDock* Dock() const { return tools->DockContents(); }
    QString Cell(int row, int column) const {
        const QTableWidgetItem* item = Dock()->ShapeTable()->item(row, column);
        return item ? item->text() : QString();
    }
    // The dock's refresh after a frame is scheduled: wait until row 0 shows
    // `frame`'s statistics of `region`.
    void ExpectStats(const Region& region, int row) {
        const CVornDoc* doc = f->GetActiveDocument();
        const RegionStats stats = ComputeRegionStats(doc->m_pRawPixels, doc->m_nWidth, region);
        const QString mean = QString::number(stats.mean, 'f', 3);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(row, 7) == mean; }, 2000))
            << Cell(row, 7).toStdString() << " != " << mean.toStdString();
        EXPECT_EQ(Cell(row, 6), QString::number(stats.pixels));
        EXPECT_EQ(Cell(row, 8), QString::number(stats.stddev, 'f', 3));
        EXPECT_EQ(Cell(row, 9), QString::number(stats.min));
        EXPECT_EQ(Cell(row, 10), QString::number(stats.max));
    }
    void Click(const QPoint& pos) {
        QWidget* viewport = View()->viewport();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(pos), viewport->mapToGlobal(QPointF(pos)),
                              Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    }
    QPoint PixelCentre(int x, int y) const {
        const ViewMapping m = View()->Mapping();
        return {static_cast<int>(m.ClientX(x + 0.5)), static_cast<int>(m.ClientY(y + 0.5))};
    }
    void AddShape(const Shape& shape) {
        View()->Shapes().Add(shape);
        View()->ShapesEdited();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMainFrame> f;
    MeasureTools* tools = nullptr;
};

TEST_F(MeasureToolsTest, DockShowsTheStatisticsOfTheFrameShownThroughSteppingAndPlayback) {
    OpenShown(*f, Write("a.vrn"));
    const Region rectangle{3, 4, 20, 10, false};
    const Region ellipse{10, 5, 25, 21, true};
    AddShape({ShapeKind::Rectangle, 3, 4, 22, 13});
    AddShape({ShapeKind::Ellipse, 10, 5, 34, 25});
    AddShape({ShapeKind::Line, 1, 1, 4, 5});
    AddShape({ShapeKind::Point, 7, 2, 7, 2});
    EXPECT_TRUE(tools->Dock()->isVisible()); // the first shape shows the dock
    ExpectStats(rectangle, 0);
    ExpectStats(ellipse, 1);
    EXPECT_EQ(Cell(2, 11), QStringLiteral("5.00"));
    EXPECT_EQ(Cell(2, 13), QString::number(LineAngle(Line{1, 1, 4, 5}), 'f', 2));
    EXPECT_EQ(Cell(2, 12), QString()); // no scale yet
    const CVornDoc* doc = f->GetActiveDocument();
    for (int frame : {5, 6, 11}) {
        ASSERT_TRUE(f->Navigator()->ShowFrame(frame));
        ExpectStats(rectangle, 0);
        ExpectStats(ellipse, 1);
        EXPECT_EQ(Cell(3, 14), QString::number(doc->m_pRawPixels[2 * kWidth + 7]));
    }
    f->PlayFrames(f->GetActiveDocument(), 0, 8, 0);
    EXPECT_EQ(doc->m_pReader->currentFrame, 7);
    ExpectStats(rectangle, 0);
}

TEST_F(MeasureToolsTest, PlotCommandsFollowTheSelectedShape) {
    OpenShown(*f, Write("a.vrn"));
    AddShape({ShapeKind::Rectangle, 3, 4, 22, 13});
    AddShape({ShapeKind::Line, 1, 1, 4, 5});
    const struct {
        int selected;
        bool plot, profile, scale, remove;
    } cases[] = {{0, true, false, false, true},
                 {1, false, true, true, true},
                 {-1, false, false, false, false}};
    for (const auto& c : cases) {
        View()->Shapes().Select(c.selected);
        View()->ShapesEdited();
        EXPECT_EQ(tools->PlotAction()->isEnabled(), c.plot) << c.selected;
        EXPECT_EQ(tools->ProfileAction()->isEnabled(), c.profile) << c.selected;
        EXPECT_EQ(tools->ScaleAction()->isEnabled(), c.scale) << c.selected;
        EXPECT_EQ(tools->DeleteAction()->isEnabled(), c.remove) << c.selected;
        tools->PlotAction()->trigger(); // reaches the plot windows when enabled
        tools->ProfileAction()->trigger();
    }
}

TEST_F(MeasureToolsTest, SetScaleIsStoredPerRecordingAndCalibratesTheDock) {
    const QString path = Write("a.vrn");
    OpenShown(*f, path);
    AddShape({ShapeKind::Line, 0, 0, 30, 40}); // 50 px
    double asked = 0;
    tools->SetScaleDialog([&](QWidget*, double pixels, const std::optional<Scale>&) {
        asked = pixels;
        return std::optional<Scale>(Scale{pixels, 2.5, "mm"});
    });
    tools->ScaleAction()->trigger();
    EXPECT_DOUBLE_EQ(asked, 50.0);
    const Scale expected{50, 2.5, "mm"};
    EXPECT_EQ(ReadRecordingScale(path), expected);
    EXPECT_EQ(f->MDIGetActive()->GetScale(), expected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cell(0, 12) == QStringLiteral("2.5 mm"); }, 2000))
        << Cell(0, 12).toStdString();
    // Beside the rate, and only for the same file.
    WriteRecordingRate(path, 1000.0);
    EXPECT_EQ(ReadRecordingScale(path), expected);
    EXPECT_EQ(ReadOwnRate(path), 1000.0);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
    }
    EXPECT_FALSE(ReadRecordingScale(path));
    WriteRecordingScale(path, std::nullopt);
    EXPECT_FALSE(ReadRecordingScale(path));
    EXPECT_FALSE(ReadOwnRate(path)); // the rate had the same check
}

TEST_F(MeasureToolsTest, TrackingRecordsEachClickAndStepsOneFrame) {
    const QString path = Write("a.vrn");
    OpenShown(*f, path);
    f->Time()->SetRate(*f->GetActiveDocument(), 1000.0);
    tools->SetScale(*f->GetActiveDocument(), Scale{10, 1, "mm"});
    ASSERT_TRUE(f->Navigator()->ShowFrame(3));
    tools->SetTracking(true);
    EXPECT_EQ(tools->Tool(), MeasureTool::Point);
    Click(PixelCentre(4, 5));
    EXPECT_EQ(f->GetActiveDocument()->m_pReader->currentFrame, 4);
    Click(PixelCentre(7, 9));
    EXPECT_EQ(f->GetActiveDocument()->m_pReader->currentFrame, 5);
    const std::vector<TrackPoint> expected = {{3, 4, 5}, {4, 7, 9}};
    EXPECT_EQ(View()->Shapes().CurrentTrack(), expected);
    EXPECT_TRUE(View()->Shapes().Shapes().empty()); // tracking draws no points
    const QTableWidget* track = Dock()->TrackTable();
    ASSERT_EQ(track->rowCount(), 2);
    EXPECT_EQ(track->item(1, 3)->text(), QStringLiteral("5.00"));
    EXPECT_EQ(track->item(1, 4)->text(), QStringLiteral("0.5 mm"));
    EXPECT_EQ(track->item(1, 5)->text(), QStringLiteral("500 mm/s")); // 0.5 mm in 1 ms
    // Copy and CSV.
    Dock()->CopyTrack();
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("3\t4\t5\t0.00\t0 mm\t"));
    const QString csv = m_dir.filePath(QStringLiteral("track.csv"));
    QString proposed;
    Dock()->SetSaveDialog([&](QWidget*, const QString& name) {
        proposed = name;
        return csv;
    });
    ASSERT_TRUE(Dock()->SaveTrack());
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("a_track.csv")));
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), Dock()->TrackText(QLatin1Char(',')));
    EXPECT_TRUE(Dock()->TrackText(QLatin1Char(',')).startsWith(QStringLiteral("Frame,x,y,")));
    // Off: the Point tool draws points again.
    tools->SetTracking(false);
    Click(PixelCentre(1, 1));
    EXPECT_EQ(View()->Shapes().Shapes().size(), 1u);
}

TEST_F(MeasureToolsTest, ShapesBelongToTheirWindow) {
    OpenShown(*f, Write("a.vrn"));
    CChildFrame* first = f->MDIGetActive();
    AddShape({ShapeKind::Rectangle, 3, 4, 22, 13});
    OpenShown(*f, Write("b.vrn"));
    EXPECT_NE(f->MDIGetActive(), first);
    EXPECT_TRUE(View()->Shapes().Shapes().empty());
    EXPECT_EQ(Dock()->ShapeTable()->rowCount(), 0);
    EXPECT_EQ(Dock()->View(), View());
    tools->SetTool(MeasureTool::Ellipse);
    EXPECT_EQ(first->GetActiveView()->Tool(), MeasureTool::Ellipse); // one tool for all
    first->ActivateFrame();
    EXPECT_EQ(Dock()->ShapeTable()->rowCount(), 1);
    Dock()->CopyShapes();
    const QString text = QApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("#\tShape\tx\ty\tw\th\tPixels\tMean")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n1\tRectangle\t3\t4\t20\t10\t200\t")));
}

} // namespace
