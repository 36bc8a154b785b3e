// SPDX-License-Identifier: BSD-3-Clause
// The measurement shapes of one recording window, in image pixels: regions
// (rectangles and inscribed ellipses), lines and points, one of them
// selected, the shape being drawn or edited by a drag, and the manual tracks.
// Shapes sit on pixels, so they stay on the same pixels through zoom and
// pan; the view maps them to its client area with a ViewMapping.
// Standard library only.
#pragma once

#include "measure/Line.h"
#include "measure/Region.h"

#include <optional>
#include <vector>

enum class ShapeKind { Rectangle, Ellipse, Line, Point };

// Rectangle and ellipse: the pixels from (x0, y0) to (x1, y1), both
// included, the corners in any order. Line: from the centre of pixel
// (x0, y0) to that of (x1, y1). Point: pixel (x0, y0).
struct Shape {
    ShapeKind kind = ShapeKind::Rectangle;
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;

    bool IsRegion() const { return kind == ShapeKind::Rectangle || kind == ShapeKind::Ellipse; }
    friend bool operator==(const Shape&, const Shape&) = default;
};

Region ShapeRegion(const Shape& shape);
Line ShapeLine(const Shape& shape);

// Where image coordinates (pixel i covers [i, i + 1)) land in the client
// area: client = offset + image * scale, per axis.
struct ViewMapping {
    double offsetX = 0;
    double offsetY = 0;
    double scaleX = 0;
    double scaleY = 0;

    // From a drawn layout: image rectangle (sx, sy, sw, sh) shown in client
    // rectangle (dx, dy, dw, dh). Invalid (scale 0) when either is empty.
    static ViewMapping FromLayout(int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh);
    bool IsValid() const { return scaleX > 0 && scaleY > 0; }
    double ClientX(double imageX) const { return offsetX + imageX * scaleX; }
    double ClientY(double imageY) const { return offsetY + imageY * scaleY; }
    double ImageX(double clientX) const { return (clientX - offsetX) / scaleX; }
    double ImageY(double clientY) const { return (clientY - offsetY) / scaleY; }
};

// The parts of a shape a press can take hold of.
enum class ShapeHandle {
    None,
    Body, // moves the whole shape
    TopLeft,
    Top,
    TopRight,
    Right,
    BottomRight,
    Bottom,
    BottomLeft,
    Left,
    Start, // a line's ends
    End,
};

struct HandleSpot {
    ShapeHandle handle = ShapeHandle::None;
    double x = 0; // image coordinates
    double y = 0;
};
// The handles of a shape: eight around a region, the two ends of a line.
std::vector<HandleSpot> ShapeHandles(const Shape& shape);

// One point of a manual track: the pixel clicked on frame `frame`.
struct TrackPoint {
    int frame = 0;
    int x = 0;
    int y = 0;
    friend bool operator==(const TrackPoint&, const TrackPoint&) = default;
};

class MeasureShapes {
public:
    // Frame size, for keeping shapes on the frame.
    void SetFrameSize(int width, int height);

    const std::vector<Shape>& Shapes() const { return m_shapes; }
    int Selected() const { return m_nSelected; } // -1: none
    const Shape* SelectedShape() const;
    void Select(int index); // out of range: none
    int Add(const Shape& shape); // selects it; returns its index
    bool RemoveSelected();

    struct Hit {
        int index = -1;
        ShapeHandle handle = ShapeHandle::None;
    };
    // What lies under client point (cx, cy) within `tolerance` client
    // pixels: the selected shape's handles first, then the topmost shape.
    Hit HitTest(const ViewMapping& mapping, double cx, double cy, double tolerance) const;

    // A drag draws a new shape from pixel (x, y), or edits shape `index`
    // by `handle` from the pixel pressed; DragTo follows the pointer's pixel
    // (kept on the frame); EndDrag keeps the result (true when a shape was
    // added or changed), CancelDrag restores what was there before.
    void BeginDraw(ShapeKind kind, int x, int y);
    void BeginEdit(int index, ShapeHandle handle, int x, int y);
    void DragTo(int x, int y);
    bool EndDrag();
    bool CancelDrag();
    bool Dragging() const { return m_drag.has_value(); }
    // The shape being drawn (not yet among Shapes()), or null.
    const Shape* Drawing() const;

    // Manual tracks; the last one is the current track, which gets the
    // points. A point on a frame that already has one replaces it.
    const std::vector<std::vector<TrackPoint>>& Tracks() const { return m_tracks; }
    const std::vector<TrackPoint>& CurrentTrack() const;
    void AddTrackPoint(const TrackPoint& point);
    void NewTrack(); // a new empty current track (none when it is empty already)
    void ClearTracks();

private:
    int ClampX(int x) const;
    int ClampY(int y) const;
    Shape Moved(const Shape& shape, int dx, int dy) const;
    static Shape Resized(const Shape& shape, ShapeHandle handle, int x, int y);

    struct Drag {
        bool drawing = false;
        int index = -1;
        ShapeHandle handle = ShapeHandle::None;
        int startX = 0;
        int startY = 0;
        Shape original;
        Shape current;
    };
    int m_nWidth = 1;
    int m_nHeight = 1;
    std::vector<Shape> m_shapes;
    int m_nSelected = -1;
    std::optional<Drag> m_drag;
    std::vector<std::vector<TrackPoint>> m_tracks{{}};
};
