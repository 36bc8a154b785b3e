// SPDX-License-Identifier: BSD-3-Clause
#include "display/CVornView.h"

#include "display/PixelLayout.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QDialog>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

CVornView::DialogRunner& Runner() {
    static CVornView::DialogRunner runner;
    return runner;
}

} // namespace

CVornView::CVornView(CVornDoc* document, QWidget* parent) : QAbstractScrollArea(parent) {
    // The viewport keeps Qt's background fill: whatever the frame does not
    // cover shows the window background.
    SetDocument(document);
    setFocusPolicy(Qt::StrongFocus); // frame keys reach the view
    viewport()->setMouseTracking(true); // pixel readout
}

CVornView::~CVornView() {
    m_bSurfaceOpen = 0;
    m_surface.End();
    // Leave the document before the widget parts go, so a RenderFrame can
    // never reach a half-destroyed view.
    SetDocument(nullptr);
}

CVornDoc* CVornView::GetDocument() const {
    return dynamic_cast<CVornDoc*>(CView::GetDocument());
}

void CVornView::OnInitialUpdate() {
    OnUpdate(nullptr, 0, nullptr);
    m_bScrollSizesSet = true;
    UpdateScrollRanges();
}

void CVornView::OnDraw(QPainter& painter, const QRect& clientRect) {
    CVornDoc* document = GetDocument();
    if (document == nullptr || document->m_pDisplayHeader == nullptr)
        return;
    const BITMAPINFOHEADER* header = document->m_pDisplayHeader;

    // The display block stays in place for the document's life, so the
    // surface is prepared once, at the first paint that has an image.
    if (!m_bSurfaceOpen) {
        m_surface.Open(viewport(), header);
        m_bSurfaceOpen = 1;
    }
    document->UpdateTitle();
    if (m_zoom.IsFit() || m_bPrinting) {
        m_surface.SetView(clientRect, QPoint(header->biWidth / 2, header->biHeight / 2), 0, 1);
        m_surface.Draw(painter, clientRect, header, nullptr);
        return;
    }
    // An explicit zoom: every image pixel exactly `zoom` client pixels.
    m_surface.imageWidth = header->biWidth;
    m_surface.imageHeight = std::abs(header->biHeight);
    const PixelAxis x = LayoutPixelAxis(clientRect.width(), m_surface.imageWidth, m_zoom.Num(),
                                        m_zoom.Den(), m_zoom.centreX);
    const PixelAxis y = LayoutPixelAxis(clientRect.height(), m_surface.imageHeight, m_zoom.Num(),
                                        m_zoom.Den(), m_zoom.centreY);
    m_surface.srcRect = DibRect{x.srcPos, y.srcPos, x.srcExtent, y.srcExtent};
    m_surface.dstRect = DibRect{x.dstPos, y.dstPos, x.dstExtent, y.dstExtent};
    m_surface.DrawLaidOut(painter, header, nullptr);
}

void CVornView::RepaintNow() {
    viewport()->repaint();
}

void CVornView::OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {
    viewport()->update();
}

void CVornView::OnTitleChanged() {
    emit titleChanged();
}

bool CVornView::PrintTo(QPrinter& printer) {
    const CVornDoc* document = GetDocument();
    if (document == nullptr || document->m_pDisplayHeader == nullptr)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The printable page is the client area: the fit keeps the frame's
    // aspect ratio and centres it on the page, whatever the view's zoom.
    m_bPrinting = true;
    OnDraw(painter, QRect(QPoint(0, 0), painter.viewport().size()));
    m_bPrinting = false;
    return painter.end();
}

void CVornView::OnFilePrint(QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    if (RunDialog(dialog) == QDialog::Accepted)
        PrintTo(printer);
}

void CVornView::OnFilePrintPreview(QPrinter& printer, int* previewPages) {
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PrintTo(*target); });
    const auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    if (previewPages && *previewPages == 2) {
        // Through the dialog's own action, so its tool buttons agree.
        if (auto* facing = dialog.findChild<QAction*>(QStringLiteral("facingModeAction")))
            facing->trigger();
    }
    RunDialog(dialog);
    if (previewPages && preview)
        *previewPages = preview->viewMode() == QPrintPreviewWidget::SinglePageView ? 1 : 2;
}

void CVornView::SetDialogRunner(DialogRunner runner) {
    Runner() = std::move(runner);
}

int CVornView::RunDialog(QDialog& dialog) {
    const DialogRunner& runner = Runner();
    return runner ? runner(dialog) : dialog.exec();
}

void CVornView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    if (!m_zoom.IsFit()) {
        // A zoomed layout scrolls by moving its centre; the bars follow it.
        OnDraw(painter, viewport()->rect());
        m_shownSrc = m_surface.srcRect;
        m_shownDst = m_surface.dstRect;
        PaintOverlay(painter);
        painter.end();
        SyncScrollBars();
        EmitReadout();
        return;
    }
    // Scrolling (only possible below 100 x 100) shifts the drawing, the way
    // a scrolled view's device context does.
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    OnDraw(painter, viewport()->rect());
    m_shownSrc = m_surface.srcRect;
    m_shownDst = m_surface.dstRect;
    PaintOverlay(painter);
    painter.end();
    EmitReadout();
}

void CVornView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

// A fixed 100 x 100 scroll area: a bar shows only while the viewport is
// smaller than that in its direction.
void CVornView::UpdateScrollRanges() {
    if (!m_bScrollSizesSet)
        return;
    if (!m_zoom.IsFit()) {
        SyncScrollBars();
        return;
    }
    const QSize size = viewport()->size();
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setRange(0, std::max(0, kScrollExtent - size.width()));
    horizontal->setPageStep(std::max(1, size.width()));
    horizontal->setSingleStep(1);
    vertical->setRange(0, std::max(0, kScrollExtent - size.height()));
    vertical->setPageStep(std::max(1, size.height()));
    vertical->setSingleStep(1);
}
