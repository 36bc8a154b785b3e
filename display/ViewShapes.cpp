// SPDX-License-Identifier: BSD-3-Clause
// The frame view's measurement shapes: drawing, moving and resizing them
// with the mouse, Delete and Escape, and the overlay of shapes, tracks and
// the scale bar on screen.
#include "display/CVornView.h"

#include "display/ScaleBar.h"
#include "recording/CVornDoc.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStaticText>

#include <cmath>
#include <vector>

namespace {

constexpr double kGrip = 5.0; // client pixels around a handle or an outline

const QColor kShapeColour(0, 220, 255);
const QColor kSelectedColour(255, 214, 0);
const QColor kTrackColour(255, 64, 200);

ShapeKind KindOf(MeasureTool tool) {
    switch (tool) {
    case MeasureTool::Ellipse:
        return ShapeKind::Ellipse;
    case MeasureTool::Line:
        return ShapeKind::Line;
    case MeasureTool::Point:
        return ShapeKind::Point;
    default:
        return ShapeKind::Rectangle;
    }
}

QPointF Centre(const ViewMapping& m, int x, int y) {
    return {m.ClientX(x + 0.5), m.ClientY(y + 0.5)};
}

QRectF Outline(const ViewMapping& m, const Shape& shape) {
    const Region region = ShapeRegion(shape);
    return QRectF(QPointF(m.ClientX(region.x), m.ClientY(region.y)),
                  QPointF(m.ClientX(region.x + region.width), m.ClientY(region.y + region.height)));
}

void DrawShape(QPainter& painter, const ViewMapping& m, const Shape& shape, const QColor& colour,
               bool handles) {
    // Thin pens, and smoothing only where an outline is not axis-aligned:
    // the overlay is painted with every frame of a playback.
    QPen pen(colour, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing,
                          shape.kind == ShapeKind::Ellipse || shape.kind == ShapeKind::Line);
    switch (shape.kind) {
    case ShapeKind::Rectangle:
        painter.drawRect(Outline(m, shape));
        break;
    case ShapeKind::Ellipse:
        painter.drawEllipse(Outline(m, shape));
        break;
    case ShapeKind::Line:
        painter.drawLine(Centre(m, shape.x0, shape.y0), Centre(m, shape.x1, shape.y1));
        break;
    case ShapeKind::Point: {
        const QPointF c = Centre(m, shape.x0, shape.y0);
        painter.drawLine(c - QPointF(6, 0), c + QPointF(6, 0));
        painter.drawLine(c - QPointF(0, 6), c + QPointF(0, 6));
        break;
    }
    }
    if (!handles)
        return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(colour);
    for (const HandleSpot& spot : ShapeHandles(shape))
        painter.drawRect(QRectF(m.ClientX(spot.x) - 3, m.ClientY(spot.y) - 3, 6, 6));
    painter.setBrush(Qt::NoBrush);
}

// The shapes' numbers, laid out once: text layout on every paint would
// cost more than the rest of the overlay.
const QStaticText& LabelText(int number) {
    static std::vector<QStaticText> labels;
    while (static_cast<int>(labels.size()) < number) {
        labels.emplace_back(QString::number(labels.size() + 1));
        labels.back().setPerformanceHint(QStaticText::AggressiveCaching);
    }
    return labels[static_cast<size_t>(number - 1)];
}

void DrawLabel(QPainter& painter, const ViewMapping& m, const Shape& shape, int number) {
    const QStaticText& text = LabelText(number);
    const double height = text.size().height();
    const QPointF at = shape.kind == ShapeKind::Line || shape.kind == ShapeKind::Point
                           ? Centre(m, shape.x0, shape.y0) + QPointF(6, -6 - height)
                           : Outline(m, shape).topLeft() + QPointF(2, -2 - height);
    painter.drawStaticText(at, text);
}

} // namespace

void CVornView::SetTool(MeasureTool tool) {
    if (m_tool == tool)
        return;
    if (m_shapes.CancelDrag())
        ShapesEdited();
    m_tool = tool;
    if (tool == MeasureTool::Pointer)
        viewport()->unsetCursor();
    else
        viewport()->setCursor(Qt::CrossCursor);
}

void CVornView::SetScaleBar(const std::optional<Scale>& scale, bool visible) {
    m_scaleBar = scale;
    m_bScaleBarVisible = visible;
    viewport()->update();
}

ViewMapping CVornView::ClientMapping() const {
    return ViewMapping::FromLayout(m_shownSrc.x, m_shownSrc.y, m_shownSrc.width, m_shownSrc.height,
                                   m_shownDst.x, m_shownDst.y, m_shownDst.width,
                                   m_shownDst.height);
}

ViewMapping CVornView::Mapping() const {
    ViewMapping mapping = ClientMapping();
    const QPoint origin = ClientOrigin();
    mapping.offsetX -= origin.x();
    mapping.offsetY -= origin.y();
    return mapping;
}

void CVornView::PixelUnder(const QPoint& viewportPos, int& x, int& y) const {
    const ViewMapping m = Mapping();
    x = static_cast<int>(std::floor(m.ImageX(viewportPos.x() + 0.5)));
    y = static_cast<int>(std::floor(m.ImageY(viewportPos.y() + 0.5)));
}

void CVornView::ShapesEdited() {
    viewport()->update();
    emit shapesChanged();
}

bool CVornView::DeleteSelectedShape() {
    if (!m_shapes.RemoveSelected())
        return false;
    ShapesEdited();
    return true;
}

bool CVornView::ShapePress(QMouseEvent* event) {
    const ViewMapping m = Mapping();
    if (event->button() != Qt::LeftButton || !m.IsValid())
        return false;
    const CVornDoc* document = GetDocument();
    if (document)
        m_shapes.SetFrameSize(document->m_nWidth, document->m_nHeight);
    const QPointF pos = event->position();
    int x = 0;
    int y = 0;
    PixelUnder(pos.toPoint(), x, y);
    const bool onFrame = document && x >= 0 && y >= 0 && x < document->m_nWidth &&
                         y < document->m_nHeight;
    if (m_tool == MeasureTool::Point && m_bTracking) {
        if (onFrame)
            emit trackClicked(x, y);
        event->accept();
        return true;
    }
    const MeasureShapes::Hit hit = m_shapes.HitTest(m, pos.x(), pos.y(), kGrip);
    if (hit.index >= 0) {
        m_shapes.BeginEdit(hit.index, hit.handle, x, y);
    } else if (m_tool != MeasureTool::Pointer && onFrame) {
        m_shapes.Select(-1);
        m_shapes.BeginDraw(KindOf(m_tool), x, y);
    } else {
        // The pointer keeps panning; a press beside every shape deselects.
        if (m_shapes.Selected() >= 0) {
            m_shapes.Select(-1);
            ShapesEdited();
        }
        return false;
    }
    setFocus(Qt::MouseFocusReason);
    ShapesEdited();
    event->accept();
    return true;
}

bool CVornView::ShapeMove(QMouseEvent* event) {
    if (!m_shapes.Dragging())
        return false;
    int x = 0;
    int y = 0;
    PixelUnder(event->position().toPoint(), x, y);
    m_shapes.DragTo(x, y);
    if (m_shapes.Drawing())
        viewport()->update(); // nothing to measure before the drawing ends
    else
        ShapesEdited();
    return true;
}

bool CVornView::ShapeRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_shapes.Dragging())
        return false;
    m_shapes.EndDrag();
    ShapesEdited();
    event->accept();
    return true;
}

void CVornView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Delete && DeleteSelectedShape()) {
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Escape && m_shapes.CancelDrag()) {
            ShapesEdited();
            event->accept();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CVornView::PaintOverlay(QPainter& painter) const {
    const ViewMapping m = ClientMapping();
    if (!m.IsValid())
        return;
    painter.save();
    painter.setClipRect(QRect(m_shownDst.x, m_shownDst.y, m_shownDst.width, m_shownDst.height));
    const CVornDoc* document = GetDocument();
    const int frame = document && document->m_pReader ? document->m_pReader->currentFrame : -1;
    const std::vector<std::vector<TrackPoint>>& tracks = m_shapes.Tracks();
    for (size_t t = 0; t < tracks.size(); ++t) {
        QPen pen(t + 1 == tracks.size() ? kTrackColour : kTrackColour.darker(160), 1);
        pen.setCosmetic(true);
        painter.setPen(pen);
        QPainterPath path;
        for (size_t i = 0; i < tracks[t].size(); ++i) {
            const TrackPoint& p = tracks[t][i];
            const QPointF c = Centre(m, p.x, p.y);
            i == 0 ? path.moveTo(c) : path.lineTo(c);
            painter.setBrush(p.frame == frame ? QBrush(kTrackColour) : QBrush(Qt::NoBrush));
            painter.drawEllipse(c, 3.5, 3.5);
        }
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    const std::vector<::Shape>& shapes = m_shapes.Shapes();
    for (size_t i = 0; i < shapes.size(); ++i) {
        const bool selected = static_cast<int>(i) == m_shapes.Selected();
        DrawShape(painter, m, shapes[i], selected ? kSelectedColour : kShapeColour, selected);
        DrawLabel(painter, m, shapes[i], static_cast<int>(i) + 1);
    }
    if (const ::Shape* drawing = m_shapes.Drawing())
        DrawShape(painter, m, *drawing, kSelectedColour, false);
    painter.restore();
    PaintScaleBar(painter);
}

void CVornView::PaintScaleBar(QPainter& painter) const {
    if (!m_bScaleBarVisible || !m_scaleBar || m_shownDst.width <= 0)
        return;
    const ViewMapping m = ClientMapping();
    const ScaleBarLength bar = ChooseScaleBar(*m_scaleBar, m.scaleX, m_shownDst.width / 4.0);
    if (bar.length <= 0)
        return;
    // Bottom left of the drawn frame, inside what the viewport shows.
    const QRect visible = QRect(m_shownDst.x, m_shownDst.y, m_shownDst.width, m_shownDst.height)
                              .intersected(viewport()->rect().translated(ClientOrigin()));
    const QPointF start(visible.left() + 16, visible.bottom() - 16);
    const QRectF barRect(start - QPointF(0, 4), QSizeF(bar.clientPixels, 5));
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(barRect);
    const QString text = QString::fromStdString(bar.text);
    const QRectF textRect(barRect.left(), barRect.top() - 20, std::max(bar.clientPixels, 80.0),
                          18);
    painter.setPen(Qt::black);
    painter.drawText(textRect.translated(1, 1), Qt::AlignLeft | Qt::AlignBottom, text);
    painter.setPen(Qt::white);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignBottom, text);
    painter.restore();
}
