// SPDX-License-Identifier: BSD-3-Clause
// The frame view's zoom, scrolling by bars and by dragging, and the pixel
// readout under the cursor.
#include "display/CVornView.h"

#include "display/PixelLayout.h"
#include "recording/CVornDoc.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Client centre pixel of an extent, as the surface's layout takes it.
int HalfExtent(int extent) {
    return (extent - 1) / 2;
}

// Scroll bar of one axis for a zoomed layout: the bar's value is the client
// pixel of the zoomed frame at the viewport's left (or top) edge.
void SetAxis(QScrollBar* bar, int extent, int imageExtent, double zoom, double centre) {
    const int content = static_cast<int>(std::ceil(imageExtent * zoom));
    const int maximum = std::max(0, content - extent);
    bar->setRange(0, maximum);
    bar->setPageStep(std::max(1, extent));
    bar->setSingleStep(std::max(1, static_cast<int>(std::lround(zoom))));
    const long value = std::lround(centre * zoom - HalfExtent(extent));
    bar->setValue(static_cast<int>(std::clamp<long>(value, 0, maximum)));
}

} // namespace

void CVornView::ZoomFit() {
    if (m_zoom.IsFit())
        return;
    m_zoom.SetFit();
    m_bSyncingBars = true;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    m_bSyncingBars = false;
    UpdateScrollRanges();
    viewport()->update();
    emit zoomChanged();
}

void CVornView::ZoomActualSize() {
    SetZoomKeepingCentre(0);
}

void CVornView::ZoomIn() {
    ZoomAt(1, viewport()->rect().center());
}

void CVornView::ZoomOut() {
    ZoomAt(-1, viewport()->rect().center());
}

void CVornView::SetZoomKeepingCentre(int level) {
    if (m_zoom.IsFit()) {
        // The fitted layout's centre: the image centre pixel.
        m_zoom.centreX = (m_surface.imageWidth - 1) / 2;
        m_zoom.centreY = (m_surface.imageHeight - 1) / 2;
    }
    if (!m_zoom.IsFit() && m_zoom.Level() == level)
        return;
    m_zoom.SetLevel(level);
    SyncScrollBars();
    viewport()->update();
    emit zoomChanged();
}

namespace {

// The client offset of image coordinate 0 that keeps image pixel
// floor(point) under client pixel `anchor` at the new zoom, as near as the
// pixel grid allows to keeping `point` itself there.
int64_t AnchoredOffset(int anchor, double point, int32_t num, int32_t den) {
    const double zoom = static_cast<double>(num) / den;
    const double pixel = std::floor(point);
    const double centre = anchor + 0.5;
    auto offset = static_cast<int64_t>(std::floor(centre - point * zoom + 0.5));
    // Client pixel `anchor` shows floor((centre - offset) / zoom): bring
    // the offset into the range where that is `pixel`.
    const auto lowest = static_cast<int64_t>(std::floor(centre - (pixel + 1) * zoom)) + 1;
    const auto highest = static_cast<int64_t>(std::floor(centre - pixel * zoom));
    if (lowest <= highest)
        offset = std::clamp(offset, lowest, highest);
    return offset;
}

} // namespace

void CVornView::ZoomAt(int steps, const QPoint& anchor) {
    if (steps == 0)
        return;
    // The image point under the anchor pixel's centre, from the layout on
    // screen.
    const QPoint client = anchor + ClientOrigin();
    double px = m_zoom.IsFit() ? (m_surface.imageWidth - 1) / 2 : m_zoom.centreX;
    double py = m_zoom.IsFit() ? (m_surface.imageHeight - 1) / 2 : m_zoom.centreY;
    if (m_shownDst.width > 0 && m_shownDst.height > 0) {
        px = m_shownSrc.x + (client.x() - m_shownDst.x + 0.5) * m_shownSrc.width / m_shownDst.width;
        py = m_shownSrc.y +
             (client.y() - m_shownDst.y + 0.5) * m_shownSrc.height / m_shownDst.height;
    }
    const double fitZoom =
        m_surface.zoomDen != 0 ? static_cast<double>(m_surface.zoomNum) / m_surface.zoomDen : 1.0;
    bool changed = false;
    for (int i = 0; i < std::abs(steps); ++i)
        changed = (steps > 0 ? m_zoom.StepIn(fitZoom) : m_zoom.StepOut(fitZoom)) || changed;
    if (!changed)
        return;
    const QSize size = viewport()->size();
    const int32_t num = m_zoom.Num();
    const int32_t den = m_zoom.Den();
    m_zoom.centreX =
        PixelAxisCentre(size.width(), num, den, AnchoredOffset(anchor.x(), px, num, den));
    m_zoom.centreY =
        PixelAxisCentre(size.height(), num, den, AnchoredOffset(anchor.y(), py, num, den));
    SyncScrollBars();
    viewport()->update();
    emit zoomChanged();
}

bool CVornView::ImagePixelAt(const QPoint& viewportPos, int& x, int& y) const {
    const DibRect& src = m_shownSrc;
    const DibRect& dst = m_shownDst;
    if (dst.width <= 0 || dst.height <= 0 || src.width <= 0 || src.height <= 0)
        return false;
    const QPoint client = viewportPos + ClientOrigin();
    const int dx = client.x() - dst.x;
    const int dy = client.y() - dst.y;
    if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height)
        return false;
    // Nearest neighbour, as the frame is drawn: the source pixel whose
    // stretched extent holds this client pixel's centre. A centre on the
    // border of two source pixels (zooms below 1) takes the first in memory
    // order, as the painter's fixed-point sampling does; bottom-up rows are
    // drawn mirrored, so there it is the later row of the picture.
    constexpr double kTie = 1.0 / 65536;
    const double rowTie = m_surface.hdd.bottomUp ? kTie : -kTie;
    x = src.x + std::clamp(static_cast<int>((dx + 0.5) * src.width / dst.width - kTie), 0,
                           src.width - 1);
    y = src.y + std::clamp(static_cast<int>((dy + 0.5) * src.height / dst.height + rowTie), 0,
                           src.height - 1);
    return x >= 0 && y >= 0 && x < m_surface.imageWidth && y < m_surface.imageHeight;
}

QPoint CVornView::ClientOrigin() const {
    // The fitted layout is drawn shifted by the fixed scroll area's position.
    if (m_zoom.IsFit())
        return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
    return {};
}

void CVornView::SyncScrollBars() {
    if (m_zoom.IsFit() || !m_bScrollSizesSet)
        return;
    m_bSyncingBars = true;
    const QSize size = viewport()->size();
    SetAxis(horizontalScrollBar(), size.width(), m_surface.imageWidth, m_zoom.Zoom(),
            m_zoom.centreX);
    SetAxis(verticalScrollBar(), size.height(), m_surface.imageHeight, m_zoom.Zoom(),
            m_zoom.centreY);
    m_bSyncingBars = false;
}

void CVornView::scrollContentsBy(int dx, int dy) {
    if (m_bSyncingBars)
        return;
    if (m_zoom.IsFit()) {
        QAbstractScrollArea::scrollContentsBy(dx, dy);
        return;
    }
    const double zoom = m_zoom.Zoom();
    const QSize size = viewport()->size();
    m_zoom.centreX = (horizontalScrollBar()->value() + HalfExtent(size.width())) / zoom;
    m_zoom.centreY = (verticalScrollBar()->value() + HalfExtent(size.height())) / zoom;
    viewport()->update();
}

void CVornView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0)
        ZoomAt(delta > 0 ? 1 : -1, event->position().toPoint());
    event->accept();
}

void CVornView::mousePressEvent(QMouseEvent* event) {
    if (ShapePress(event))
        return;
    if (event->button() == Qt::LeftButton && !m_zoom.IsFit()) {
        m_bDragging = true;
        m_dragStart = event->position().toPoint();
        m_dragCentreX = m_zoom.centreX;
        m_dragCentreY = m_zoom.centreY;
        viewport()->setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CVornView::mouseMoveEvent(QMouseEvent* event) {
    m_cursor = event->position().toPoint();
    m_bCursorInside = true;
    if (ShapeMove(event)) {
        EmitReadout();
        return;
    }
    if (m_bDragging) {
        const double zoom = m_zoom.Zoom();
        m_zoom.centreX = m_dragCentreX - (m_cursor.x() - m_dragStart.x()) / zoom;
        m_zoom.centreY = m_dragCentreY - (m_cursor.y() - m_dragStart.y()) / zoom;
        viewport()->update();
    }
    EmitReadout();
}

void CVornView::mouseReleaseEvent(QMouseEvent* event) {
    if (ShapeRelease(event))
        return;
    if (m_bDragging && event->button() == Qt::LeftButton) {
        m_bDragging = false;
        viewport()->unsetCursor();
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

bool CVornView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        m_bCursorInside = false;
        EmitReadout();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CVornView::EmitReadout() {
    int x = 0;
    int y = 0;
    const CVornDoc* document = GetDocument();
    if (!m_bCursorInside || document == nullptr || document->m_pRawPixels == nullptr ||
        !ImagePixelAt(m_cursor, x, y) || x >= document->m_nWidth || y >= document->m_nHeight) {
        emit readoutChanged(false, 0, 0, 0);
        return;
    }
    const auto index =
        static_cast<size_t>(y) * static_cast<size_t>(document->m_nWidth) + static_cast<size_t>(x);
    emit readoutChanged(true, x, y, document->m_pRawPixels[index]);
}
