// SPDX-License-Identifier: BSD-3-Clause
// The shape model without a window: hit-testing handles through a mapping,
// drags that draw, move and resize shapes on the frame, tracks, the steps
// of a track, the scale bar's round lengths and the stored scale.
#include "app/RecordingRates.h"
#include "display/MeasureShapes.h"
#include "display/ScaleBar.h"
#include "measure/Track.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct HitCase {
    const char* name;
    double zoom; // client pixels per image pixel
    double cx;   // client point, mapping offset 10, 20
    double cy;
    int index;
    ShapeHandle handle;
};

TEST(MeasureShapes, HitTestFindsHandlesOfTheSelectedShapeThenBodies) {
    // Rectangle over pixels 10..19 x 10..14, line from pixel (30, 5) to (40, 5).
    const HitCase cases[] = {
        {"top-left corner at zoom 1", 1, 10 + 10, 20 + 10, 0, ShapeHandle::TopLeft},
        {"bottom-right corner is past the last pixel", 1, 10 + 20, 20 + 15, 0,
         ShapeHandle::BottomRight},
        {"right edge midpoint at zoom 4", 4, 10 + 80, 20 + 50, 0, ShapeHandle::Right},
        {"inside is the body", 4, 10 + 60, 20 + 50, 0, ShapeHandle::Body},
        {"grip is in client pixels: 4 px off at zoom 4", 4, 10 + 44, 20 + 44, 0,
         ShapeHandle::TopLeft},
        {"near the line is the line's body", 1, 10 + 35.5, 20 + 7, 1, ShapeHandle::Body},
        {"beside everything", 1, 10 + 60, 20 + 60, -1, ShapeHandle::None},
        {"handles overlapping at zoom 1/4: the nearest", 0.25, 10 + 5, 20 + 3.75, 0,
         ShapeHandle::BottomRight},
    };
    for (const HitCase& c : cases) {
        MeasureShapes shapes;
        shapes.SetFrameSize(100, 100);
        shapes.Add({ShapeKind::Rectangle, 19, 14, 10, 10}); // corners in any order
        shapes.Add({ShapeKind::Line, 30, 5, 40, 5});
        shapes.Select(0);
        const ViewMapping m{10, 20, c.zoom, c.zoom};
        const MeasureShapes::Hit hit = shapes.HitTest(m, c.cx, c.cy, 5);
        EXPECT_EQ(hit.index, c.index) << c.name;
        EXPECT_EQ(hit.handle, c.handle) << c.name;
    }
}

TEST(MeasureShapes, MappingFromALayoutRoundTrips) {
    const ViewMapping m = ViewMapping::FromLayout(100, 50, 200, 100, -30, 12, 800, 400);
    EXPECT_DOUBLE_EQ(m.scaleX, 4.0);
    EXPECT_DOUBLE_EQ(m.ClientX(100), -30);
    EXPECT_DOUBLE_EQ(m.ClientY(50), 12);
    EXPECT_DOUBLE_EQ(m.ImageX(m.ClientX(123.25)), 123.25);
    EXPECT_FALSE(ViewMapping::FromLayout(0, 0, 0, 10, 0, 0, 10, 10).IsValid());
}

struct DragCase {
    const char* name;
    Shape start;
    ShapeHandle handle;
    int fromX, fromY, toX, toY;
    Shape expected;
};

TEST(MeasureShapes, DragsMoveAndResizeAndStayOnTheFrame) {
    const DragCase cases[] = {
        {"move", {ShapeKind::Rectangle, 10, 10, 19, 14}, ShapeHandle::Body, 12, 12, 22, 17,
         {ShapeKind::Rectangle, 20, 15, 29, 19}},
        {"move held at the right edge", {ShapeKind::Rectangle, 10, 10, 19, 14},
         ShapeHandle::Body, 12, 12, 200, 12, {ShapeKind::Rectangle, 54, 10, 63, 14}},
        {"move held at the top", {ShapeKind::Ellipse, 10, 10, 19, 14}, ShapeHandle::Body, 12,
         12, 12, -50, {ShapeKind::Ellipse, 10, 0, 19, 4}},
        {"corner from unordered corners", {ShapeKind::Rectangle, 19, 14, 10, 10},
         ShapeHandle::TopLeft, 10, 10, 5, 3, {ShapeKind::Rectangle, 5, 3, 19, 14}},
        {"edge moves one side only", {ShapeKind::Rectangle, 10, 10, 19, 14}, ShapeHandle::Right,
         20, 12, 30, 40, {ShapeKind::Rectangle, 10, 10, 30, 14}},
        {"edge past the other side", {ShapeKind::Rectangle, 10, 10, 19, 14},
         ShapeHandle::Bottom, 15, 15, 15, 2, {ShapeKind::Rectangle, 10, 10, 19, 2}},
        {"line end", {ShapeKind::Line, 1, 1, 10, 10}, ShapeHandle::End, 10, 10, 70, 20,
         {ShapeKind::Line, 1, 1, 63, 20}},
        {"line start", {ShapeKind::Line, 1, 1, 10, 10}, ShapeHandle::Start, 1, 1, 4, 5,
         {ShapeKind::Line, 4, 5, 10, 10}},
    };
    for (const DragCase& c : cases) {
        MeasureShapes shapes;
        shapes.SetFrameSize(64, 48);
        shapes.Add(c.start);
        shapes.BeginEdit(0, c.handle, c.fromX, c.fromY);
        shapes.DragTo(c.toX, c.toY);
        EXPECT_TRUE(shapes.EndDrag()) << c.name;
        EXPECT_EQ(shapes.Shapes()[0], c.expected) << c.name;
        EXPECT_EQ(shapes.Selected(), 0) << c.name;
    }
}

TEST(MeasureShapes, DrawingCancellingAndDeleting) {
    MeasureShapes shapes;
    shapes.SetFrameSize(64, 48);
    // A click without a drag draws no region and no line ...
    for (ShapeKind kind : {ShapeKind::Rectangle, ShapeKind::Ellipse, ShapeKind::Line}) {
        shapes.BeginDraw(kind, 5, 5);
        EXPECT_FALSE(shapes.EndDrag());
    }
    EXPECT_TRUE(shapes.Shapes().empty());
    // ... but a point.
    shapes.BeginDraw(ShapeKind::Point, 70, 3);
    EXPECT_TRUE(shapes.EndDrag());
    EXPECT_EQ(shapes.Shapes().back(), (Shape{ShapeKind::Point, 63, 3, 63, 3}));
    // Escape while drawing leaves nothing behind; while editing restores.
    shapes.BeginDraw(ShapeKind::Rectangle, 1, 1);
    shapes.DragTo(9, 9);
    ASSERT_NE(shapes.Drawing(), nullptr);
    EXPECT_TRUE(shapes.CancelDrag());
    EXPECT_EQ(shapes.Drawing(), nullptr);
    EXPECT_EQ(shapes.Shapes().size(), 1u);
    shapes.BeginEdit(0, ShapeHandle::Body, 63, 3);
    shapes.DragTo(10, 10);
    EXPECT_TRUE(shapes.CancelDrag());
    EXPECT_EQ(shapes.Shapes()[0], (Shape{ShapeKind::Point, 63, 3, 63, 3}));
    EXPECT_FALSE(shapes.CancelDrag());
    // Delete takes the selected shape only.
    shapes.Select(-1);
    EXPECT_FALSE(shapes.RemoveSelected());
    shapes.Select(0);
    EXPECT_TRUE(shapes.RemoveSelected());
    EXPECT_TRUE(shapes.Shapes().empty());
}

TEST(MeasureShapes, RegionsAndLinesOfShapes) {
    const Region region = ShapeRegion({ShapeKind::Ellipse, 19, 14, 10, 10});
    EXPECT_EQ(region.x, 10);
    EXPECT_EQ(region.y, 10);
    EXPECT_EQ(region.width, 10);
    EXPECT_EQ(region.height, 5);
    EXPECT_TRUE(region.ellipse);
    const Line line = ShapeLine({ShapeKind::Line, 3, 4, 6, 8});
    EXPECT_DOUBLE_EQ(LineLength(line), 5.0);
}

TEST(MeasureShapes, TrackPointsKeepFrameOrderAndOnePerFrame) {
    MeasureShapes shapes;
    shapes.AddTrackPoint({5, 1, 1});
    shapes.AddTrackPoint({3, 2, 2});
    shapes.AddTrackPoint({5, 9, 9}); // a second click on frame 5 replaces
    ASSERT_EQ(shapes.CurrentTrack().size(), 2u);
    EXPECT_EQ(shapes.CurrentTrack()[0], (TrackPoint{3, 2, 2}));
    EXPECT_EQ(shapes.CurrentTrack()[1], (TrackPoint{5, 9, 9}));
    shapes.NewTrack();
    shapes.NewTrack(); // no second empty track
    EXPECT_EQ(shapes.Tracks().size(), 2u);
    EXPECT_TRUE(shapes.CurrentTrack().empty());
    shapes.ClearTracks();
    EXPECT_EQ(shapes.Tracks().size(), 1u);
}

TEST(TrackSteps, DisplacementAlwaysSpeedWithScaleAndRate) {
    const std::vector<TrackSample> samples = {{0, 0, 0}, {2, 3, 4}, {2, 3, 4}, {3, 3, 10}};
    const Scale scale{10, 1, "mm"}; // 10 px = 1 mm
    struct Case {
        const char* name;
        std::optional<Scale> scale;
        std::optional<double> rate;
    } cases[] = {{"pixels only", std::nullopt, 1000.0},
                 {"scale without rate", scale, std::nullopt},
                 {"scale and rate", scale, 1000.0}};
    for (const Case& c : cases) {
        const std::vector<TrackStep> steps = TrackSteps(samples, c.scale, c.rate);
        ASSERT_EQ(steps.size(), 4u) << c.name;
        EXPECT_DOUBLE_EQ(steps[0].pixels, 0) << c.name;
        EXPECT_DOUBLE_EQ(steps[1].pixels, 5) << c.name;
        EXPECT_DOUBLE_EQ(steps[3].pixels, 6) << c.name;
        EXPECT_EQ(steps[1].length.has_value(), c.scale.has_value()) << c.name;
        const bool speed = c.scale && c.rate;
        EXPECT_EQ(steps[1].unitsPerSecond.has_value(), speed) << c.name;
        EXPECT_FALSE(steps[2].unitsPerSecond.has_value()) << c.name; // same frame
        if (speed) {
            EXPECT_DOUBLE_EQ(*steps[1].length, 0.5);
            EXPECT_DOUBLE_EQ(*steps[1].unitsPerSecond, 250.0); // 0.5 mm in 2 ms
            EXPECT_DOUBLE_EQ(*steps[3].unitsPerSecond, 600.0);
        }
    }
}

TEST(ScaleBar, RoundLengthsThatFit) {
    struct Case {
        Scale scale;
        double zoom, room;
        double length;
        const char* text;
    } cases[] = {
        {{100, 1, "mm"}, 1, 250, 2, "2 mm"},
        {{100, 1, "mm"}, 2, 250, 1, "1 mm"},
        {{100, 1, "mm"}, 0.5, 600, 10, "10 mm"},
        {{412, 10, "\u00b5m"}, 1, 200, 2, "2 \u00b5m"},
        {{10, 1, "m"}, 1, 100, 10, "10 m"},
        {{1000, 1, "cm"}, 1, 300, 0.2, "0.2 cm"},
    };
    for (const Case& c : cases) {
        const ScaleBarLength bar = ChooseScaleBar(c.scale, c.zoom, c.room);
        EXPECT_NEAR(bar.length, c.length, 1e-12) << c.text;
        EXPECT_EQ(bar.text, c.text);
        EXPECT_LE(bar.clientPixels, c.room + 1e-9) << c.text;
    }
    EXPECT_EQ(ChooseScaleBar({100, 1, "mm"}, 0, 100).length, 0);
}

TEST(StoredScale, ReadsBackOnlyForTheSameFile) {
    const Scale scale{412, 10, "\u00b5m"};
    const std::string text = FormatStoredScale(scale, 1234, 5678);
    EXPECT_EQ(text, "412=10\u00b5m 1234 5678");
    EXPECT_EQ(ParseStoredScale(text, 1234, 5678), scale);
    EXPECT_FALSE(ParseStoredScale(text, 1235, 5678));
    EXPECT_FALSE(ParseStoredScale(text, 1234, 5679));
    EXPECT_FALSE(ParseStoredScale("412=10furlongs 1234 5678", 1234, 5678));
    EXPECT_FALSE(ParseStoredScale("412=10mm 1234 5678 extra", 1234, 5678));
}

} // namespace
