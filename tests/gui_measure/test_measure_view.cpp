// SPDX-License-Identifier: BSD-3-Clause
// Shapes on a frame view: they stay on their pixels through zoom and pan,
// the mouse draws, moves and resizes them, Escape cancels a drawing and
// Delete removes the selected shape.
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

class MeasureView : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        VornRecipe recipe;
        recipe.width = kWidth;
        recipe.height = kHeight;
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("m.vrn")));
        ASSERT_TRUE(WriteVorn(path.constData(), recipe, [](int32_t, uint16_t* s) {
            for (int i = 0; i < kWidth * kHeight; ++i)
                s[i] = 512; // plain grey: any colour on screen is the overlay
        }));
        ASSERT_EQ(m_doc.OnOpenDocument(path.constData()), 1);
        m_view = std::make_unique<CVornView>(&m_doc);
        m_view->OnInitialUpdate();
        m_view->show();
        m_view->resize(QSize(800, 600) + (m_view->size() - m_view->viewport()->size()));
        QApplication::processEvents();
        Paint();
    }

    void Paint() { m_view->viewport()->repaint(); }

    // Viewport point at the centre of image pixel (x, y).
    QPoint At(double x, double y) const {
        const ViewMapping m = m_view->Mapping();
        return {static_cast<int>(std::floor(m.ClientX(x))),
                static_cast<int>(std::floor(m.ClientY(y)))};
    }
    QPoint Centre(int x, int y) const { return At(x + 0.5, y + 0.5); }

    void Send(QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(pos), m_view->viewport()->mapToGlobal(QPointF(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
    }
    void Drag(const QPoint& from, const QPoint& to, bool release = true) {
        Send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        Send(QEvent::MouseMove, to, Qt::LeftButton);
        if (release)
            Send(QEvent::MouseButtonRelease, to, Qt::NoButton);
        Paint();
    }

    QTemporaryDir m_dir;
    CVornDoc m_doc;
    std::unique_ptr<CVornView> m_view;
};

TEST_F(MeasureView, ShapesStayOnTheirPixelsThroughZoomAndPan) {
    m_view->Shapes().SetFrameSize(kWidth, kHeight);
    m_view->Shapes().Add({ShapeKind::Rectangle, 20, 10, 29, 19});
    m_view->Shapes().Select(-1);
    struct Step {
        const char* name;
        std::function<void(CVornView&)> apply;
    } steps[] = {
        {"fit", [](CVornView&) {}},
        {"actual size", [](CVornView& v) { v.ZoomActualSize(); }},
        {"zoom in three steps",
         [](CVornView& v) {
             for (int i = 0; i < 3; ++i)
                 v.ZoomIn();
         }},
        {"panned", [](CVornView& v) { v.horizontalScrollBar()->setValue(90); }},
        {"zoom at a corner", [](CVornView& v) { v.ZoomAt(1, QPoint(5, 5)); }},
    };
    for (const Step& step : steps) {
        step.apply(*m_view);
        Paint();
        for (const QPoint pixel : {QPoint(0, 0), QPoint(21, 11), QPoint(29, 19), QPoint(63, 47)}) {
            const QPoint pos = Centre(pixel.x(), pixel.y());
            if (!m_view->viewport()->rect().contains(pos))
                continue;
            int x = -1;
            int y = -1;
            ASSERT_TRUE(m_view->ImagePixelAt(pos, x, y)) << step.name;
            EXPECT_EQ(QPoint(x, y), pixel) << step.name;
        }
        // The outline is drawn where the mapping puts the region's left edge.
        const QImage shown = m_view->viewport()->grab().toImage();
        const QPoint edge = At(20, 15);
        if (m_view->viewport()->rect().contains(edge)) {
            const QColor colour = shown.pixelColor(edge);
            EXPECT_NE(colour.red(), colour.blue()) << step.name; // not the grey frame
        }
    }
}

TEST_F(MeasureView, MouseDrawsMovesAndResizesShapes) {
    QSignalSpy changed(m_view.get(), &CVornView::shapesChanged);
    m_view->SetTool(MeasureTool::Rectangle);
    Drag(Centre(10, 10), Centre(20, 15));
    ASSERT_EQ(m_view->Shapes().Shapes().size(), 1u);
    EXPECT_EQ(m_view->Shapes().Shapes()[0], (Shape{ShapeKind::Rectangle, 10, 10, 20, 15}));
    EXPECT_EQ(m_view->Shapes().Selected(), 0);
    EXPECT_GT(changed.count(), 0);

    // Any tool moves a shape by its body and resizes it by a handle.
    m_view->SetTool(MeasureTool::Pointer);
    Drag(Centre(15, 12), Centre(25, 22));
    EXPECT_EQ(m_view->Shapes().Shapes()[0], (Shape{ShapeKind::Rectangle, 20, 20, 30, 25}));
    Drag(At(31, 26), Centre(40, 30)); // the bottom-right handle
    EXPECT_EQ(ShapeRegion(m_view->Shapes().Shapes()[0]).width, 21);
    EXPECT_EQ(ShapeRegion(m_view->Shapes().Shapes()[0]).height, 11);

    // A line, then Escape in the middle of another drawing.
    m_view->SetTool(MeasureTool::Line);
    Drag(Centre(2, 40), Centre(12, 40));
    ASSERT_EQ(m_view->Shapes().Shapes().size(), 2u);
    EXPECT_DOUBLE_EQ(LineLength(ShapeLine(m_view->Shapes().Shapes()[1])), 10.0);
    m_view->SetTool(MeasureTool::Ellipse);
    Drag(Centre(40, 2), Centre(50, 8), false);
    ASSERT_NE(m_view->Shapes().Drawing(), nullptr);
    QTest::keyClick(m_view.get(), Qt::Key_Escape);
    EXPECT_EQ(m_view->Shapes().Drawing(), nullptr);
    Send(QEvent::MouseButtonRelease, Centre(50, 8), Qt::NoButton);
    EXPECT_EQ(m_view->Shapes().Shapes().size(), 2u);

    // Delete removes the selected shape only; a press beside every shape
    // with the pointer deselects.
    m_view->SetTool(MeasureTool::Pointer);
    Drag(Centre(7, 40), Centre(7, 40)); // selects the line
    EXPECT_EQ(m_view->Shapes().Selected(), 1);
    QTest::keyClick(m_view.get(), Qt::Key_Delete);
    ASSERT_EQ(m_view->Shapes().Shapes().size(), 1u);
    EXPECT_EQ(m_view->Shapes().Shapes()[0].kind, ShapeKind::Rectangle);
    Drag(Centre(60, 5), Centre(60, 5));
    EXPECT_EQ(m_view->Shapes().Selected(), -1);
    QTest::keyClick(m_view.get(), Qt::Key_Delete);
    EXPECT_EQ(m_view->Shapes().Shapes().size(), 1u);
}

TEST_F(MeasureView, PressOnAShapeMovesItInsteadOfPanning) {
    m_view->Shapes().SetFrameSize(kWidth, kHeight);
    m_view->Shapes().Add({ShapeKind::Rectangle, 20, 10, 29, 19});
    m_view->ZoomIn();
    m_view->ZoomIn();
    Paint();
    const double centreX = m_view->Zoom().centreX;
    Drag(Centre(25, 15), Centre(27, 15));
    EXPECT_EQ(m_view->Zoom().centreX, centreX);
    EXPECT_EQ(m_view->Shapes().Shapes()[0].x0, 22);
    // Beside the shape the pointer pans as before.
    Drag(Centre(5, 30), Centre(2, 30));
    EXPECT_NE(m_view->Zoom().centreX, centreX);
}

} // namespace
