// SPDX-License-Identifier: BSD-3-Clause
// The view in each recording window: shows the document's display image
// fitted into the client area and centred, and refreshes the document's
// title on every paint so the caption follows the frame shown.
#pragma once

#include "display/DibSurface.h"
#include "display/ZoomState.h"
#include "framework/Document.h"

#include <QAbstractScrollArea>

#include <functional>

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

    int m_bSurfaceOpen = 0;
    DibSurface m_surface;

signals:
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

private:
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
};
