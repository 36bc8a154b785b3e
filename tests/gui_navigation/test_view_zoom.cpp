// SPDX-License-Identifier: BSD-3-Clause
// Zoom and pan of one frame view: fit stays the Part of the layout it always
// was, the steps run in powers of two from 1/16 to 32, Ctrl + wheel keeps the
// point under the cursor, dragging pans, and each view keeps its own zoom.
#include "display/CVornView.h"
#include "display/ZoomState.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <memory>

namespace {

TEST(ZoomState, StepsArePowersOfTwoFromTheFitWithinTheLimits) {
    ZoomState zoom;
    EXPECT_TRUE(zoom.IsFit());
    ASSERT_TRUE(zoom.StepIn(600.0 / 1024)); // fit 0.59: in goes to 1
    EXPECT_EQ(zoom.Level(), 0);
    zoom.SetFit();
    ASSERT_TRUE(zoom.StepOut(600.0 / 1024)); // and out to 1/2
    EXPECT_EQ(zoom.Level(), -1);
    EXPECT_EQ(zoom.Num(), 1);
    EXPECT_EQ(zoom.Den(), 2);
    zoom.SetFit();
    ASSERT_TRUE(zoom.StepIn(2.0)); // a fit of exactly 2 steps to 4
    EXPECT_EQ(zoom.Level(), 2);
    int steps = 0;
    while (zoom.StepIn(1.0))
        ++steps;
    EXPECT_EQ(zoom.Level(), ZoomState::kMaxLevel);
    EXPECT_EQ(zoom.Num(), 32);
    EXPECT_EQ(steps, 3);
    while (zoom.StepOut(1.0)) {
    }
    EXPECT_EQ(zoom.Level(), ZoomState::kMinLevel);
    EXPECT_EQ(zoom.Den(), 16);
    zoom.SetLevel(99);
    EXPECT_EQ(zoom.Level(), ZoomState::kMaxLevel);
}

class ViewZoom : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        VornRecipe recipe;
        recipe.width = 1024;
        recipe.height = 1024;
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("big.vrn")));
        ASSERT_TRUE(WriteVorn(path.constData(), recipe, [](int32_t, uint16_t* s) {
            for (int i = 0; i < 1024 * 1024; ++i)
                s[i] = static_cast<uint16_t>((i % 1024 + i / 1024) % 1024);
        }));
        ASSERT_EQ(m_doc.OnOpenDocument(path.constData()), 1);
        m_view = Show(QSize(800, 600));
    }

    std::unique_ptr<CVornView> Show(QSize viewport) {
        auto view = std::make_unique<CVornView>(&m_doc);
        view->OnInitialUpdate();
        view->show();
        view->resize(viewport + (view->size() - view->viewport()->size()));
        QApplication::processEvents();
        EXPECT_EQ(view->viewport()->size(), viewport);
        view->viewport()->repaint();
        return view;
    }

    void Paint() { m_view->viewport()->repaint(); }
    DibLayout Shown() const {
        const DibRect& s = m_view->m_surface.srcRect;
        const DibRect& d = m_view->m_surface.dstRect;
        return {s.x, s.y, s.width, s.height, d.x, d.y, d.width, d.height};
    }
    void Wheel(QPoint at, int delta) {
        QWheelEvent event(at, m_view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_view->viewport(), &event);
        Paint();
    }

    QTemporaryDir m_dir;
    CVornDoc m_doc;
    std::unique_ptr<CVornView> m_view;
};

TEST_F(ViewZoom, FitIsTheUsualLayoutAndActualSizeShowsOnePixelPerPixel) {
    ASSERT_EQ(m_view->viewport()->size(), QSize(800, 600));
    EXPECT_EQ(Shown(), (DibLayout{0, 0, 1024, 1024, 100, 0, 599, 600}));
    m_view->ZoomActualSize();
    Paint();
    EXPECT_EQ(Shown(), (DibLayout{112, 212, 800, 600, 0, 0, 800, 600}));
    // Beyond the window the view scrolls.
    EXPECT_EQ(m_view->horizontalScrollBar()->maximum(), 1024 - 800);
    EXPECT_EQ(m_view->verticalScrollBar()->maximum(), 1024 - 600);
    m_view->horizontalScrollBar()->setValue(0);
    Paint();
    EXPECT_EQ(Shown().srcX, 0);
    m_view->ZoomFit();
    Paint();
    EXPECT_EQ(Shown(), (DibLayout{0, 0, 1024, 1024, 100, 0, 599, 600}));
    EXPECT_EQ(m_view->horizontalScrollBar()->maximum(), 0); // the fixed 100 x 100 area
}

TEST_F(ViewZoom, CtrlWheelZoomsAboutTheCursor) {
    const QPoint cursor(500, 200);
    int x0 = 0;
    int y0 = 0;
    ASSERT_TRUE(m_view->ImagePixelAt(cursor, x0, y0));
    for (const int delta : {120, 120, 120, -120}) {
        Wheel(cursor, delta);
        int x = 0;
        int y = 0;
        ASSERT_TRUE(m_view->ImagePixelAt(cursor, x, y));
        EXPECT_LE(std::abs(x - x0), 1) << delta;
        EXPECT_LE(std::abs(y - y0), 1) << delta;
    }
    EXPECT_EQ(m_view->Zoom().Level(), 1); // fit, 1, 2, 4, back to 2
    EXPECT_EQ(Shown().srcWidth, 400);
}

TEST_F(ViewZoom, LeftDragPansAndEachViewKeepsItsOwnZoom) {
    m_view->ZoomIn();
    m_view->ZoomIn(); // 2:1
    Paint();
    const DibLayout before = Shown();
    QTest::mousePress(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mouseMove(m_view->viewport(), QPoint(300, 250));
    QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 250));
    Paint();
    EXPECT_EQ(Shown().srcX, before.srcX + 50);
    EXPECT_EQ(Shown().srcY, before.srcY + 25);

    auto second = Show(QSize(800, 600));
    EXPECT_TRUE(second->Zoom().IsFit());
    const DibRect& fitted = second->m_surface.dstRect;
    EXPECT_EQ(fitted.x, 100);
    EXPECT_FALSE(m_view->Zoom().IsFit());
}

TEST_F(ViewZoom, PrintingFitsThePageWhateverTheZoom) {
    m_view->ZoomIn();
    m_view->ZoomIn();
    Paint();
    ASSERT_EQ(m_view->m_surface.srcRect.width, 400);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("page.pdf")));
    ASSERT_TRUE(m_view->PrintTo(printer));
    EXPECT_EQ(m_view->m_surface.srcRect.width, 1024); // the whole frame on the page
    Paint();
    EXPECT_EQ(m_view->m_surface.srcRect.width, 400); // and the screen stays zoomed
}

} // namespace
