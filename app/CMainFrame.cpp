// SPDX-License-Identifier: BSD-3-Clause
// The main window's construction, its bars, captions, closing and drops.
// Menus and actions: MainFrameMenus.cpp; documents, printing and placement:
// MainFrameDocuments.cpp; the conversion bar: MainFrameConversion.cpp.
#include "app/CMainFrame.h"

#include "app/CChildFrame.h"
#include "app/ConversionBar.h"
#include "app/DocTemplate.h"
#include "app/FrameNavigator.h"
#include "app/MeasureTools.h"
#include "app/TimeAxis.h"
#include "app/Profile.h"
#include "app/RecentFileList.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <utility>

namespace {
QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}
} // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_pRecentFiles(std::make_unique<RecentFileList>()) {
    setObjectName(QStringLiteral("IDR_MAINFRAME"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvane.png")));
    setAcceptDrops(true);
    // The rebar has no context menu of bands.
    setContextMenuPolicy(Qt::PreventContextMenu);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size() * 4 / 5);

    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setObjectName(QStringLiteral("AFX_IDW_PANE_FIRST"));
    setCentralWidget(m_pMdiArea);
    m_pDocTemplate = new DocTemplate(this);
    m_pRecentFiles->ReadList();
    m_nNumPreviewPages = ReadPreviewPages();

    CreateActions();
    CreateMenus();
    CreateToolBar();
    InitConversionBar();
    PlaceBars();
    InstallIdleHook();
    CreateStatusBar();
    InitNavigation();

    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    connect(m_pDocTemplate, &DocTemplate::documentsChanged, this,
            &CMainFrame::UpdateMenuForDocuments);
    UpdateRecentFileMenu();
    UpdateMenuForDocuments();
    UpdateFrameTitle();
}

CMainFrame::~CMainFrame() {
    // Nothing may call back into this half-destroyed frame: windows whose
    // deletion is still pending go away with the children below.
    delete std::exchange(m_pMeasure, nullptr);
    delete std::exchange(m_pTimeAxis, nullptr);
    delete std::exchange(m_pNavigator, nullptr); // a child; gone before the windows
    disconnect(m_pDocTemplate, nullptr, this, nullptr);
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    // Windows first: each view detaches from its document before the
    // template destroys the documents.
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    for (QMdiSubWindow* window : windows)
        disconnect(window, nullptr, this, nullptr);
    qDeleteAll(windows);
}

CChildFrame* CMainFrame::MDIGetActive() const {
    // The current window stays the active one while another application has
    // the focus, as an MDI frame reports it.
    return qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
}

CVornDoc* CMainFrame::GetActiveDocument() const {
    const CChildFrame* frame = MDIGetActive();
    return frame ? frame->GetActiveDocument() : nullptr;
}

void CMainFrame::ShowMessage(const QString& text) const {
    if (m_messageSink) {
        m_messageSink(text);
        return;
    }
    QMessageBox::warning(const_cast<CMainFrame*>(this), QStringLiteral("Quorvane"), text);
}

void CMainFrame::PlaceBars() {
    // Two movable bands in the top area: the toolbar, then the conversion bar.
    m_wndReBar = new QToolBar(this);
    m_wndReBar->setObjectName(QStringLiteral("AFX_IDW_REBAR"));
    m_wndReBar->setMovable(true);
    m_wndReBar->setFloatable(false);
    m_wndReBar->setAllowedAreas(Qt::TopToolBarArea);
    if (m_wndDlgBar)
        m_wndReBar->addWidget(m_wndDlgBar);
    addToolBar(Qt::TopToolBarArea, m_wndReBar);
    m_wndReBar->toggleViewAction()->setVisible(false);
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    auto* message = new QLabel(tr("Ready"), m_wndStatusBar);
    message->setObjectName(QStringLiteral("ID_SEPARATOR"));
    // A long result line is cut at the window's edge, never widens it.
    message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_wndStatusBar->addWidget(message, 1);
    // Lock-key indicators. Qt offers no portable query of the lock states, so
    // they stay dim (disabled) as an indicator of a key that is off.
    static constexpr struct {
        const char* name;
        const char* text;
    } kIndicators[] = {{"ID_INDICATOR_KANA", "KANA"},
                       {"ID_INDICATOR_CAPS", "CAPS"},
                       {"ID_INDICATOR_NUM", "NUM"},
                       {"ID_INDICATOR_SCRL", "SCRL"}};
    for (const auto& indicator : kIndicators) {
        auto* label = new QLabel(QString::fromLatin1(indicator.text), m_wndStatusBar);
        label->setObjectName(QString::fromLatin1(indicator.name));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setEnabled(false);
        m_wndStatusBar->addPermanentWidget(label);
    }
    setStatusBar(m_wndStatusBar);
    connect(m_pActStatusBar, &QAction::toggled, m_wndStatusBar, &QWidget::setVisible);
    // A command prompt replaces a result line for good: "Ready" comes back
    // after it.
    connect(m_wndStatusBar, &QStatusBar::messageChanged, this, [this](const QString& prompt) {
        if (!prompt.isEmpty())
            SetStatusLine(QString());
    });
}

void CMainFrame::SetStatusLine(const QString& line) {
    if (auto* pane = m_wndStatusBar
                         ? m_wndStatusBar->findChild<QLabel*>(QStringLiteral("ID_SEPARATOR"))
                         : nullptr)
        pane->setText(line.isEmpty() ? tr("Ready") : line);
}

QString CMainFrame::StatusLine() const {
    const auto* pane = m_wndStatusBar
                           ? m_wndStatusBar->findChild<QLabel*>(QStringLiteral("ID_SEPARATOR"))
                           : nullptr;
    return pane ? pane->text() : QString();
}

void CMainFrame::UpdateFrameTitle() {
    // The caption of a maximized child joins the frame's in brackets; a
    // restored active child's title is added plainly.
    QString title = QStringLiteral("Quorvane");
    if (const CChildFrame* active = MDIGetActive()) {
        title = active->isMaximized() ? QStringLiteral("%1 - [%2]").arg(title, active->FrameTitle())
                                      : QStringLiteral("%1 - %2").arg(title, active->FrameTitle());
    }
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMainFrame::OnSubWindowActivated() {
    UpdateFrameTitle();
    UpdateMenuForDocuments();
}

CChildFrame* CMainFrame::NewFrame(CVornDoc* doc) {
    CChildFrame* frame = m_pDocTemplate->CreateNewFrame(doc);
    if (!frame)
        return nullptr;
    connect(frame, &CChildFrame::frameTitleChanged, this, &CMainFrame::UpdateFrameTitle);
    connect(frame, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateFrameTitle);
    connect(
        frame, &QObject::destroyed, this,
        [this] {
            UpdateFrameTitle();
            UpdateMenuForDocuments();
        },
        Qt::QueuedConnection);
    return frame;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A run keeps using its document: the close happens after the run.
    if (m_bBusy) {
        RequestCloseAfterRun(nullptr);
        event->ignore();
        return;
    }
    SavePlacement();
    WriteBitSel(m_nBitSel);
    m_pRecentFiles->WriteList();
    m_pMdiArea->closeAllSubWindows();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop has finished, so a message about a refused file
    // never runs inside the drag and drop exchange.
    QMetaObject::invokeMethod(
        this,
        [this, files] {
            activateWindow();
            for (const QString& file : files)
                OpenDocumentFile(file);
        },
        Qt::QueuedConnection);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    WrapBands();
}

void CMainFrame::WrapBands() {
    // Like a rebar, the conversion bar's band moves to a row of its own when
    // both bands do not fit side by side.
    if (!m_wndToolBar || !m_wndReBar)
        return;
    // Too narrow even for a row of its own: the bar takes two rows.
    if (m_wndDlgBar)
        m_wndDlgBar->SetTwoRows(m_wndDlgBar->OneRowWidth() + 24 > width());
    // The measuring tools sit between the two.
    const int tools = m_pMeasure ? m_pMeasure->ToolBar()->sizeHint().width() + 12 : 0;
    const bool fits =
        m_wndToolBar->sizeHint().width() + tools + m_wndReBar->sizeHint().width() + 24 <= width();
    const bool broken = toolBarBreak(m_wndReBar);
    if (fits && broken)
        removeToolBarBreak(m_wndReBar);
    else if (!fits && !broken)
        insertToolBarBreak(m_wndReBar);
}
