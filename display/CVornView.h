// SPDX-License-Identifier: BSD-3-Clause
// The view in each recording window: shows the document's display image
// fitted into the client area and centred, and refreshes the document's
// title on every paint so the caption follows the frame shown.
#pragma once

#include "display/DibSurface.h"
#include "display/MeasureShapes.h"
#include "display/ZoomState.h"
#include "framework/Document.h"
#include "measure/Scale.h"

#include <QAbstractScrollArea>

#include <functional>
#include <optional>

class CVornDoc;
class QDialog;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QWheelEvent;
class QPainter;
class QPrinter;
class QRect;
class QResizeEvent;

// What a left-button drag on the frame does: pan (Pointer) or draw a shape.
enum class MeasureTool { Pointer, Rectangle, Ellipse, Line, Point };

class CVornView : public QAbstractScrollArea, public CView {
    Q_OBJECT

public:
    // Attaches the view to `document` (registers with it).
    explicit CVornView(CVornDoc* document, QWidget* parent = nullptr);
    ~CVornView() override;

    CVornDoc* GetDocument() const;

    // Once, after the document is open: fixed 100 x 100 scroll size, repaint.
    void OnInitialUpdate();

    // Paints the current frame into `clientRect` (origin 0,0): title refresh,
    // fit, draw. Draws nothing, title included, while the document has no
    // display image.
    void OnDraw(QPainter& painter, const QRect& clientRect);

    void RepaintNow() override;                                     // synchronous
    void OnUpdate(CView* sender, long hint, void* object) override; // scheduled
    void OnTitleChanged() override;

    // Printing of the current frame, fitted into the printable page.
    bool PrintTo(QPrinter& printer);     // no dialog; one page
    void OnFilePrint(QPrinter& printer); // print dialog, then PrintTo
    // The preview shows one page, or two side by side when *previewPages is
    // 2; the user's choice is written back to *previewPages (1 or 2).
    void OnFilePrintPreview(QPrinter& printer, int* previewPages = nullptr);

    // Runs a modal dialog and returns its result (QDialog::Accepted or
    // Rejected). exec() unless replaced; tests install their own so nothing
    // blocks. An empty function restores exec().
    using DialogRunner = std::function<int(QDialog& dialog)>;
    static void SetDialogRunner(DialogRunner runner);

    static constexpr int kScrollExtent = 100; // scroll size, whatever the frame size

    // Zoom of this view (ViewZoom.cpp). Fit is the default layout; any other
    // zoom scrolls over the frame (scroll bars, dragging with the left button).
    const ZoomState& Zoom() const { return m_zoom; }
    void ZoomFit();
    void ZoomActualSize();
    void ZoomIn();
    void ZoomOut();
    // `steps` powers of two up (> 0) or down, keeping the image point under
    // `anchor` (viewport pixels) where it is.
    void ZoomAt(int steps, const QPoint& anchor);

    // The image pixel (column, row; top row 0) under a viewport point of the
    // last layout; false when the point lies outside the drawn frame.
    bool ImagePixelAt(const QPoint& viewportPos, int& x, int& y) const;

    // The part of the frame the last paint showed, in image pixels (top row
    // 0): all of it when fitted, the visible part when zoomed in.
    const DibRect& ShownArea() const { return m_shownSrc; }
    // Measurement shapes of this window, drawn over the frame on screen
    // only (never printed or saved); ViewShapes.cpp. Any tool moves and
    // resizes a shape by its handles; Delete removes the selected shape and
    // Escape cancels a drag.
    MeasureShapes& Shapes() { return m_shapes; }
    const MeasureShapes& Shapes() const { return m_shapes; }
    void SetTool(MeasureTool tool);
    MeasureTool Tool() const { return m_tool; }
    // With the Point tool, clicks on the frame report trackClicked instead
    // of drawing points.
    void SetTracking(bool on) { m_bTracking = on; }
    bool Tracking() const { return m_bTracking; }
    // The scale bar overlay: shown when `visible` and a scale is known.
    void SetScaleBar(const std::optional<Scale>& scale, bool visible);
    // Image coordinates to viewport pixels, as last painted.
    ViewMapping Mapping() const;
    bool DeleteSelectedShape();
    // Tells the listeners and repaints after a change of Shapes().
    void ShapesEdited();

    int m_bSurfaceOpen = 0;
    DibSurface m_surface;

signals:
    // Shapes were added, removed, changed or selected.
    void shapesChanged();
    // A click on image pixel (x, y) while tracking.
    void trackClicked(int x, int y);
    void titleChanged();
    // The cursor is over image pixel (x, y) whose decoded sample is `value`;
    // `inside` false when it is outside the frame (or the view).
    void readoutChanged(bool inside, int x, int y, int value);
    // The zoom changed (a command, Ctrl + wheel).
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool ShapePress(QMouseEvent* event);
    bool ShapeMove(QMouseEvent* event);
    bool ShapeRelease(QMouseEvent* event);
    void PaintOverlay(QPainter& painter) const;
    void PaintScaleBar(QPainter& painter) const;
    ViewMapping ClientMapping() const;
    void PixelUnder(const QPoint& viewportPos, int& x, int& y) const;

    void SetZoomKeepingCentre(int level);
    void SyncScrollBars();
    void EmitReadout();
    QPoint ClientOrigin() const;

    void UpdateScrollRanges();
    static int RunDialog(QDialog& dialog);

    bool m_bScrollSizesSet = false;
    bool m_bPrinting = false; // printing always fits the page
    ZoomState m_zoom;
    bool m_bDragging = false;
    QPoint m_dragStart;
    double m_dragCentreX = 0.0;
    double m_dragCentreY = 0.0;
    bool m_bSyncingBars = false;
    bool m_bCursorInside = false;
    QPoint m_cursor;
    DibRect m_shownSrc; // layout of the last paint on screen
    DibRect m_shownDst;
    MeasureShapes m_shapes;
    MeasureTool m_tool = MeasureTool::Pointer;
    bool m_bTracking = false;
    std::optional<Scale> m_scaleBar;
    bool m_bScaleBarVisible = false;
};
