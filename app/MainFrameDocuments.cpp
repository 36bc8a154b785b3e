// SPDX-License-Identifier: BSD-3-Clause
// Opening and closing recordings, printing, the About box and the main
// window's stored placement.
#include "app/CAboutDialog.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocTemplate.h"
#include "app/Profile.h"
#include "app/RecentFileList.h"
#include "app/RunReport.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>
#include <QStyle>

#include <string>

bool CMainFrame::OpenDocumentFile(const QString& path) {
    if (CVornDoc* open = m_pDocTemplate->FindDocument(path)) {
        const QList<CChildFrame*> frames = m_pDocTemplate->Frames(open);
        if (!frames.isEmpty())
            frames.first()->ActivateFrame();
        return true;
    }
    std::string error;
    CVornDoc* doc = m_pDocTemplate->OpenDocument(path, &error);
    if (!doc) {
        const QString reason =
            error.empty() ? tr("not a readable recording") : TranslatedReason(error);
        ShowMessage(tr("Cannot open %1: %2.").arg(QFileInfo(path).fileName(), reason));
        // A listed file that no longer opens leaves the recent-file list.
        if (m_pRecentFiles->Remove(path)) {
            m_pRecentFiles->WriteList();
            UpdateRecentFileMenu();
        }
        return false;
    }
    NewFrame(doc)->ActivateFrame();
    m_strLastOpenFolder = QFileInfo(path).absolutePath();
    if (const QString notes = OpenNotesLine(*doc); !notes.isEmpty())
        SetStatusLine(notes);
    m_pRecentFiles->Add(path);
    m_pRecentFiles->WriteList();
    UpdateRecentFileMenu();
    return true;
}

void CMainFrame::OnFileOpen() {
    QString path;
    if (m_openDialog) {
        path = m_openDialog(this);
    } else {
        QFileDialog dialog(this, QString(), OpenDialogFolder());
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({tr("VORN File (*.vrn)"), tr("All Files (*)")});
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().first();
    }
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

QString CMainFrame::OpenDialogFolder() const {
    if (const CVornDoc* doc = GetActiveDocument())
        return QFileInfo(QFile::decodeName(QByteArray::fromStdString(doc->GetPathName())))
            .absolutePath();
    return m_strLastOpenFolder;
}

void CMainFrame::OnOpenRecentFile(int index) {
    const QString path = m_pRecentFiles->Files().value(index);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CMainFrame::CloseDocumentWindows(CVornDoc* doc) {
    const QList<CChildFrame*> frames = m_pDocTemplate->Frames(doc);
    for (CChildFrame* frame : frames)
        frame->close(); // each window defers itself while a run uses the document
}

void CMainFrame::OnFileClose() {
    if (CVornDoc* doc = GetActiveDocument())
        CloseDocumentWindows(doc);
}

void CMainFrame::OnWindowNew() {
    if (CVornDoc* doc = GetActiveDocument()) {
        if (CChildFrame* frame = NewFrame(doc))
            frame->ActivateFrame();
    }
}

void CMainFrame::OnWindowArrange() {
    // Minimized windows in a row along the bottom of the client area.
    const QRect area = m_pMdiArea->viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        window->move(x, area.bottom() + 1 - size.height());
        x += size.width();
    }
}

QPrinter& CMainFrame::Printer() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

void CMainFrame::OnFilePrint() {
    if (CChildFrame* frame = MDIGetActive())
        frame->GetActiveView()->OnFilePrint(Printer());
}

void CMainFrame::OnFilePrintPreview() {
    CChildFrame* frame = MDIGetActive();
    if (!frame)
        return;
    int pages = m_nNumPreviewPages;
    frame->GetActiveView()->OnFilePrintPreview(Printer(), &pages);
    if (pages != m_nNumPreviewPages) {
        m_nNumPreviewPages = pages;
        WritePreviewPages(pages);
    }
}

void CMainFrame::OnFilePrintSetup() {
    if (m_pageSetupDialog) {
        m_pageSetupDialog(this, Printer());
        return;
    }
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

bool CMainFrame::PrintDocumentFile(const QString& path, QPrinter& printer) {
    const bool wasOpen = m_pDocTemplate->FindDocument(path) != nullptr;
    if (!OpenDocumentFile(path))
        return false;
    CVornDoc* doc = m_pDocTemplate->FindDocument(path);
    const QList<CChildFrame*> frames = m_pDocTemplate->Frames(doc);
    const bool printed = !frames.isEmpty() && frames.first()->GetActiveView()->PrintTo(printer);
    if (!printed)
        ShowMessage(tr("Cannot print %1.").arg(QFileInfo(path).fileName()));
    if (!wasOpen)
        CloseDocumentWindows(doc);
    return printed;
}

void CMainFrame::OnAppAbout() {
    if (m_aboutDialog) {
        m_aboutDialog(this);
        return;
    }
    CAboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::SavePlacement() const {
    WindowPlacement placement;
    placement.showCmd = isMinimized()   ? kShowMinimized
                        : isMaximized() ? kShowMaximized
                                        : kShowNormal;
    // Minimized from maximized: the window comes back maximized.
    if (isMinimized() && (windowState() & Qt::WindowMaximized))
        placement.flags = 2;
    // The normal rectangle is the client area of the normal state. A window
    // frame is only known once a window is shown, so the client rectangle is
    // the one that restores to exactly the same place, maximized or not.
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    WritePlacement(placement);
}

int CMainFrame::RestorePlacement() {
    const std::optional<WindowPlacement> placement = ReadPlacement();
    if (!placement)
        return 0;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    // A rectangle that is empty or lies off every screen keeps the default
    // placement; any other is fitted to its screen, title bar and menu
    // included: the window must stay reachable and of a sane size.
    const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
    if (const std::optional<QRect> rect =
            RestoredNormalRect(*placement, screens, FrameMargins(), minimum))
        setGeometry(*rect);
    return placement->showCmd;
}

QMargins CMainFrame::FrameMargins() const {
    // Known once the window is shown; before that the title bar is estimated
    // from the style, since the window manager adds it above the client area.
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    if (isVisible() && outer != inner)
        return {inner.left() - outer.left(), inner.top() - outer.top(),
                outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    return {0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 0};
}

void CMainFrame::ShowWithCommand(int nCmdShow) {
    switch (nCmdShow) {
    case 2:  // SW_SHOWMINIMIZED
    case 6:  // SW_MINIMIZE
    case 7:  // SW_SHOWMINNOACTIVE
    case 11: // SW_FORCEMINIMIZE
        showMinimized();
        break;
    case 3: // SW_SHOWMAXIMIZED
        showMaximized();
        break;
    default: // a stored "hide" must not leave an invisible program running
        show();
        break;
    }
}
