// SPDX-License-Identifier: BSD-3-Clause
#include "display/MeasureShapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

struct Box {
    int left, top, right, bottom; // pixels, inclusive
};

Box Bounds(const Shape& shape) {
    return {std::min(shape.x0, shape.x1), std::min(shape.y0, shape.y1),
            std::max(shape.x0, shape.x1), std::max(shape.y0, shape.y1)};
}

// Distance from (px, py) to the segment (ax, ay)-(bx, by).
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double squared = dx * dx + dy * dy;
    double t = squared > 0 ? ((px - ax) * dx + (py - ay) * dy) / squared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Whether client point (cx, cy) lies on `shape` (within `tolerance`).
bool OnBody(const Shape& shape, const ViewMapping& m, double cx, double cy, double tolerance) {
    if (shape.kind == ShapeKind::Line || shape.kind == ShapeKind::Point) {
        const ShapeKind kind = shape.kind;
        const int x1 = kind == ShapeKind::Point ? shape.x0 : shape.x1;
        const int y1 = kind == ShapeKind::Point ? shape.y0 : shape.y1;
        return SegmentDistance(cx, cy, m.ClientX(shape.x0 + 0.5), m.ClientY(shape.y0 + 0.5),
                               m.ClientX(x1 + 0.5), m.ClientY(y1 + 0.5)) <= tolerance;
    }
    const Box box = Bounds(shape);
    return cx >= m.ClientX(box.left) - tolerance && cx <= m.ClientX(box.right + 1) + tolerance &&
           cy >= m.ClientY(box.top) - tolerance && cy <= m.ClientY(box.bottom + 1) + tolerance;
}

} // namespace

Region ShapeRegion(const Shape& shape) {
    const Box box = Bounds(shape);
    return Region{box.left, box.top, box.right - box.left + 1, box.bottom - box.top + 1,
                  shape.kind == ShapeKind::Ellipse};
}

Line ShapeLine(const Shape& shape) {
    return Line{static_cast<double>(shape.x0), static_cast<double>(shape.y0),
                static_cast<double>(shape.x1), static_cast<double>(shape.y1)};
}

ViewMapping ViewMapping::FromLayout(int sx, int sy, int sw, int sh, int dx, int dy, int dw,
                                    int dh) {
    ViewMapping mapping;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
        return mapping;
    mapping.scaleX = static_cast<double>(dw) / sw;
    mapping.scaleY = static_cast<double>(dh) / sh;
    mapping.offsetX = dx - sx * mapping.scaleX;
    mapping.offsetY = dy - sy * mapping.scaleY;
    return mapping;
}

std::vector<HandleSpot> ShapeHandles(const Shape& shape) {
    if (shape.kind == ShapeKind::Point)
        return {};
    if (shape.kind == ShapeKind::Line)
        return {{ShapeHandle::Start, shape.x0 + 0.5, shape.y0 + 0.5},
                {ShapeHandle::End, shape.x1 + 0.5, shape.y1 + 0.5}};
    const Box box = Bounds(shape);
    const double l = box.left;
    const double t = box.top;
    const double r = box.right + 1.0;
    const double b = box.bottom + 1.0;
    const double mx = (l + r) / 2;
    const double my = (t + b) / 2;
    return {{ShapeHandle::TopLeft, l, t},     {ShapeHandle::Top, mx, t},
            {ShapeHandle::TopRight, r, t},    {ShapeHandle::Right, r, my},
            {ShapeHandle::BottomRight, r, b}, {ShapeHandle::Bottom, mx, b},
            {ShapeHandle::BottomLeft, l, b},  {ShapeHandle::Left, l, my}};
}

void MeasureShapes::SetFrameSize(int width, int height) {
    m_nWidth = std::max(1, width);
    m_nHeight = std::max(1, height);
}

const Shape* MeasureShapes::SelectedShape() const {
    return m_nSelected >= 0 ? &m_shapes[static_cast<size_t>(m_nSelected)] : nullptr;
}

void MeasureShapes::Select(int index) {
    m_nSelected = index >= 0 && index < static_cast<int>(m_shapes.size()) ? index : -1;
}

int MeasureShapes::Add(const Shape& shape) {
    m_shapes.push_back(shape);
    m_nSelected = static_cast<int>(m_shapes.size()) - 1;
    return m_nSelected;
}

bool MeasureShapes::RemoveSelected() {
    if (m_nSelected < 0 || Dragging())
        return false;
    m_shapes.erase(m_shapes.begin() + m_nSelected);
    m_nSelected = -1;
    return true;
}

MeasureShapes::Hit MeasureShapes::HitTest(const ViewMapping& mapping, double cx, double cy,
                                          double tolerance) const {
    if (!mapping.IsValid())
        return {};
    if (const Shape* selected = SelectedShape()) {
        // The nearest handle: on a small shape they lie within each other's grip.
        Hit nearest;
        double best = 0;
        for (const HandleSpot& spot : ShapeHandles(*selected)) {
            const double dx = std::abs(mapping.ClientX(spot.x) - cx);
            const double dy = std::abs(mapping.ClientY(spot.y) - cy);
            if (dx <= tolerance && dy <= tolerance && (nearest.index < 0 || dx + dy < best)) {
                nearest = {m_nSelected, spot.handle};
                best = dx + dy;
            }
        }
        if (nearest.index >= 0)
            return nearest;
    }
    for (int i = static_cast<int>(m_shapes.size()) - 1; i >= 0; --i) {
        if (OnBody(m_shapes[static_cast<size_t>(i)], mapping, cx, cy, tolerance))
            return {i, ShapeHandle::Body};
    }
    return {};
}

int MeasureShapes::ClampX(int x) const {
    return std::clamp(x, 0, m_nWidth - 1);
}

int MeasureShapes::ClampY(int y) const {
    return std::clamp(y, 0, m_nHeight - 1);
}

void MeasureShapes::BeginDraw(ShapeKind kind, int x, int y) {
    x = ClampX(x);
    y = ClampY(y);
    const Shape shape{kind, x, y, x, y};
    m_drag = Drag{true, -1, ShapeHandle::End, x, y, shape, shape};
}

void MeasureShapes::BeginEdit(int index, ShapeHandle handle, int x, int y) {
    if (index < 0 || index >= static_cast<int>(m_shapes.size()) || handle == ShapeHandle::None)
        return;
    m_nSelected = index;
    const Shape& shape = m_shapes[static_cast<size_t>(index)];
    Shape start = shape;
    if (shape.IsRegion()) {
        // Corners in order, so each handle names one edge for the whole drag.
        const Box box = Bounds(shape);
        start = Shape{shape.kind, box.left, box.top, box.right, box.bottom};
    }
    m_drag = Drag{false, index, handle, ClampX(x), ClampY(y), shape, start};
}

Shape MeasureShapes::Moved(const Shape& shape, int dx, int dy) const {
    // The whole shape stays on the frame.
    const Box box = Bounds(shape);
    dx = std::clamp(dx, -box.left, m_nWidth - 1 - box.right);
    dy = std::clamp(dy, -box.top, m_nHeight - 1 - box.bottom);
    return Shape{shape.kind, shape.x0 + dx, shape.y0 + dy, shape.x1 + dx, shape.y1 + dy};
}

Shape MeasureShapes::Resized(const Shape& shape, ShapeHandle handle, int x, int y) {
    Shape result = shape;
    const bool left = handle == ShapeHandle::TopLeft || handle == ShapeHandle::Left ||
                      handle == ShapeHandle::BottomLeft;
    const bool right = handle == ShapeHandle::TopRight || handle == ShapeHandle::Right ||
                       handle == ShapeHandle::BottomRight;
    const bool top = handle == ShapeHandle::TopLeft || handle == ShapeHandle::Top ||
                     handle == ShapeHandle::TopRight;
    const bool bottom = handle == ShapeHandle::BottomLeft || handle == ShapeHandle::Bottom ||
                        handle == ShapeHandle::BottomRight;
    if (left || handle == ShapeHandle::Start)
        result.x0 = x;
    if (right || handle == ShapeHandle::End)
        result.x1 = x;
    if (top || handle == ShapeHandle::Start)
        result.y0 = y;
    if (bottom || handle == ShapeHandle::End)
        result.y1 = y;
    return result;
}

void MeasureShapes::DragTo(int x, int y) {
    if (!m_drag)
        return;
    x = ClampX(x);
    y = ClampY(y);
    Drag& drag = *m_drag;
    if (drag.drawing) {
        if (drag.current.kind == ShapeKind::Point)
            drag.current = Shape{ShapeKind::Point, x, y, x, y};
        else
            drag.current = Resized(drag.original, ShapeHandle::End, x, y);
        return;
    }
    Shape& target = m_shapes[static_cast<size_t>(drag.index)];
    target = drag.handle == ShapeHandle::Body
                 ? Moved(drag.original, x - drag.startX, y - drag.startY)
                 : Resized(drag.current, drag.handle, x, y);
}

bool MeasureShapes::EndDrag() {
    if (!m_drag)
        return false;
    const Drag drag = *std::exchange(m_drag, std::nullopt);
    if (!drag.drawing)
        return !(m_shapes[static_cast<size_t>(drag.index)] == drag.original);
    const Shape& shape = drag.current;
    // A click without a drag draws nothing but a point.
    const bool moved = shape.x0 != shape.x1 || shape.y0 != shape.y1;
    if (shape.kind != ShapeKind::Point && !moved)
        return false;
    Add(shape);
    return true;
}

bool MeasureShapes::CancelDrag() {
    if (!m_drag)
        return false;
    const Drag drag = *std::exchange(m_drag, std::nullopt);
    if (!drag.drawing)
        m_shapes[static_cast<size_t>(drag.index)] = drag.original;
    return true;
}

const Shape* MeasureShapes::Drawing() const {
    return m_drag && m_drag->drawing ? &m_drag->current : nullptr;
}

const std::vector<TrackPoint>& MeasureShapes::CurrentTrack() const {
    return m_tracks.back();
}

void MeasureShapes::AddTrackPoint(const TrackPoint& point) {
    std::vector<TrackPoint>& track = m_tracks.back();
    const auto same = std::find_if(track.begin(), track.end(),
                                   [&](const TrackPoint& p) { return p.frame == point.frame; });
    if (same != track.end()) {
        *same = point;
        return;
    }
    // Kept in frame order, so steps run forward in time.
    const auto later = std::find_if(track.begin(), track.end(),
                                    [&](const TrackPoint& p) { return p.frame > point.frame; });
    track.insert(later, point);
}

void MeasureShapes::NewTrack() {
    if (!m_tracks.back().empty())
        m_tracks.emplace_back();
}

void MeasureShapes::ClearTracks() {
    m_tracks.assign(1, {});
}
