// SPDX-License-Identifier: BSD-3-Clause
#include "app/CChildFrame.h"

#include "app/CMainFrame.h"
#include "app/RecordingRates.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QKeySequence>
#include <QMdiArea>
#include <QMenu>

CChildFrame::CChildFrame(CMainFrame* mainFrame, CVornDoc* doc)
    : m_pMainFrame(mainFrame), m_pDocument(doc), m_pView(new CVornView(doc, this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_pView); // the frame owns the view from here on
    setWindowIcon(QIcon(QStringLiteral(":/icons/vorn-document.png")));
    connect(m_pView, &CVornView::titleChanged, this, &CChildFrame::OnUpdateFrameTitle);
    OnUpdateFrameTitle();
    // Ctrl+F4 and Ctrl+W belong to the main window, which closes the active
    // window wherever the keyboard is; the system menu keeps its item.
    if (QMenu* menu = systemMenu()) {
        for (QAction* action : menu->actions()) {
            if (action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4)))
                action->setShortcuts({});
        }
    }
}

CChildFrame::~CChildFrame() = default;

std::optional<Scale> CChildFrame::GetScale() const {
    return ReadRecordingScale(QFile::decodeName(QByteArray::fromStdString(m_pDocument->GetPathName())));
}

void CChildFrame::ActivateFrame() {
    showMaximized();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
}

void CChildFrame::SetWindowNumber(int number) {
    if (m_nWindow == number)
        return;
    m_nWindow = number;
    OnUpdateFrameTitle();
}

QString CChildFrame::FrameTitle() const {
    QString title = QString::fromStdString(m_pDocument->GetTitle());
    if (m_nWindow > 0)
        title += QLatin1Char(':') + QString::number(m_nWindow);
    return title;
}

void CChildFrame::OnUpdateFrameTitle() {
    const QString title = FrameTitle();
    if (windowTitle() == title)
        return;
    setWindowTitle(title);
    emit frameTitleChanged();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    // A run still uses this window's document: the close waits for its end.
    if (m_pMainFrame && m_pMainFrame->IsRunUsing(m_pDocument)) {
        m_pMainFrame->RequestCloseAfterRun(this);
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
