// The view in each recording window: shows the document's display image
// fitted into the client area and centred, and refreshes the document's
// title on every paint so the caption follows the frame shown.
#pragma once

#include "display/DibSurface.h"
#include "framework/Document.h"

#include <QAbstractScrollArea>

#include <functional>

class CVornDoc;
class QDialog;
class QPaintEvent;
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

    int m_bSurfaceOpen = 0;
    DibSurface m_surface;

signals:
    void titleChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollRanges();
    static int RunDialog(QDialog& dialog);

    bool m_bScrollSizesSet = false;
};
