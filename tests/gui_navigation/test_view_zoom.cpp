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

TEST_F(ViewZoom, CtrlWheelKeepsThePixelUnderTheCursor) {
    // Points whose pixel can stay put up to 16:1 without the frame leaving
    // the window's edge.
    for (const QPoint cursor : {QPoint(500, 200), QPoint(300, 290), QPoint(410, 330)}) {
        m_view->ZoomFit();
        Paint();
        int x0 = 0;
        int y0 = 0;
        ASSERT_TRUE(m_view->ImagePixelAt(cursor, x0, y0));
        for (const int delta : {120, 120, 120, 120, 120, -120, -120}) {
            Wheel(cursor, delta);
            int x = 0;
            int y = 0;
            ASSERT_TRUE(m_view->ImagePixelAt(cursor, x, y));
            EXPECT_EQ(x, x0) << cursor.x() << " step " << m_view->Zoom().Level();
            EXPECT_EQ(y, y0) << cursor.y() << " step " << m_view->Zoom().Level();
        }
        EXPECT_EQ(m_view->Zoom().Level(), 2); // fit, 1, 2, 4, 8, 16, back to 8 and 4
    }
    // Out below the fit: the frame fits along both axes and is centred.
    m_view->ZoomFit();
    Paint();
    Wheel(QPoint(30, 40), -120);
    EXPECT_EQ(Shown(), (DibLayout{0, 0, 1024, 1024, 144, 44, 512, 512}));
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
    const int zoomed = m_view->m_surface.srcRect.width;
    ASSERT_LE(zoomed, 401); // 400 pixels, maybe cut at both edges
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("page.pdf")));
    ASSERT_TRUE(m_view->PrintTo(printer));
    EXPECT_EQ(m_view->m_surface.srcRect.width, 1024); // the whole frame on the page
    Paint();
    EXPECT_EQ(m_view->m_surface.srcRect.width, zoomed); // and the screen stays zoomed
}

// Every explicit zoom draws each image pixel as exactly `zoom` client pixels
// (or one client pixel per 1/zoom image pixels), and the readout names the
// pixel drawn under each client pixel.
TEST(ViewZoomExact, EveryPixelIsDrawnWithEqualBlocksAndTheReadoutNamesIt) {
    struct Case {
        QSize image, client;
        int level; // zoom 2^level
        QPoint centre;
    };
    // Clients of at least 100 x 100, where the fitted view has no scroll bars.
    const Case cases[] = {
        {{16, 8}, {200, 100}, 0, {8, 4}},       {{16, 8}, {200, 100}, 2, {8, 4}},
        {{16, 8}, {200, 100}, 5, {3, 5}},       {{16, 8}, {101, 103}, 5, {7, 2}},
        {{64, 32}, {127, 101}, 1, {40, 20}},    {{64, 32}, {200, 100}, -2, {0, 0}},
        {{1024, 48}, {1278, 101}, 0, {511, 24}}, {{1024, 48}, {1278, 101}, 5, {512, 30}},
        {{1024, 48}, {301, 101}, -2, {300, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.image.width() << "x" << c.image.height() << " in "
                                        << c.client.width() << "x" << c.client.height()
                                        << " level " << c.level);
        QTemporaryDir dir;
        VornRecipe recipe;
        recipe.width = c.image.width();
        recipe.height = c.image.height();
        const int w = recipe.width;
        auto value = [](int x, int y) { return static_cast<uint16_t>(((x * 7 + y * 13) % 256) * 4); };
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("grid.vrn")));
        ASSERT_TRUE(WriteVorn(path.constData(), recipe, [&](int32_t, uint16_t* s) {
            for (int i = 0; i < recipe.width * recipe.height; ++i)
                s[i] = value(i % w, i / w);
        }));
        CVornDoc doc;
        ASSERT_EQ(doc.OnOpenDocument(path.constData()), 1);
        CVornView view(&doc);
        view.OnInitialUpdate();
        view.show();
        view.resize(c.client + (view.size() - view.viewport()->size()));
        QApplication::processEvents();
        ASSERT_EQ(view.viewport()->size(), c.client);
        view.viewport()->repaint();
        view.ZoomActualSize();
        while (view.Zoom().Level() < c.level)
            view.ZoomIn();
        while (view.Zoom().Level() > c.level)
            view.ZoomOut();
        view.viewport()->repaint();
        // Pan to the case's centre through the scroll bars.
        const double zoom = std::ldexp(1.0, c.level);
        view.horizontalScrollBar()->setValue(
            static_cast<int>(c.centre.x() * zoom) - (c.client.width() - 1) / 2);
        view.verticalScrollBar()->setValue(static_cast<int>(c.centre.y() * zoom) -
                                           (c.client.height() - 1) / 2);
        view.viewport()->repaint();
        // Scroll bars may have taken some of the client area.
        const QImage shot = view.viewport()->grab().toImage();
        const QSize client = view.viewport()->size();
        ASSERT_EQ(shot.size(), client);

        const int zoomUp = c.level >= 0 ? 1 << c.level : 1;
        const int zoomDown = c.level < 0 ? 1 << -c.level : 1;
        for (const bool horizontal : {true, false}) {
            const int extent = horizontal ? client.width() : client.height();
            const int fixed = (horizontal ? client.height() : client.width()) / 2;
            std::vector<int> runs; // lengths of the runs of one image pixel
            int previous = -1;
            for (int i = 0; i < extent; ++i) {
                const QPoint at = horizontal ? QPoint(i, fixed) : QPoint(fixed, i);
                int x = 0;
                int y = 0;
                if (!view.ImagePixelAt(at, x, y))
                    continue;
                const int grey = value(x, y) >> 2;
                ASSERT_EQ(shot.pixel(at), qRgb(grey, grey, grey))
                    << i << (horizontal ? " across" : " down") << " image " << x << "," << y;
                const int index = horizontal ? x : y;
                if (index == previous) {
                    ++runs.back();
                    continue;
                }
                if (previous >= 0) {
                    ASSERT_EQ(index, previous + zoomDown) << "skipped at " << i;
                }
                runs.push_back(1);
                previous = index;
            }
            ASSERT_FALSE(runs.empty());
            // Inner blocks are exactly `zoom` wide; the outer two may be cut
            // by the client's edge.
            for (size_t k = 1; k + 1 < runs.size(); ++k)
                EXPECT_EQ(runs[k], zoomUp) << (horizontal ? "column" : "row") << " block " << k;
            const int imageExtent = horizontal ? c.image.width() : c.image.height();
            if (static_cast<int64_t>(imageExtent) * zoomUp / zoomDown <= extent) {
                // All of it fits: every pixel appears, whole.
                EXPECT_EQ(static_cast<int>(runs.size()), imageExtent / zoomDown);
                EXPECT_EQ(runs.front(), zoomUp);
                EXPECT_EQ(runs.back(), zoomUp);
            }
        }
    }
}

} // namespace
