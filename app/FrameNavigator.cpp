// SPDX-License-Identifier: BSD-3-Clause
#include "app/FrameNavigator.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocTemplate.h"
#include "app/FrameBar.h"
#include "app/PropertiesDialog.h"
#include "app/RangeDialog.h"
#include "app/ViewSettings.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace {
constexpr int kPageFrames = 10; // Page Up / Page Down

// Command ids of the navigation commands, kept as each action's data.
enum NavigationCommand : int {
    ID_VIEW_ZOOM_FIT = 32790,
    ID_VIEW_ZOOM_ACTUAL = 32791,
    ID_VIEW_ZOOM_IN = 32792,
    ID_VIEW_ZOOM_OUT = 32793,
    ID_VIEW_RANGE = 32794, // the Display Range popup
    ID_VIEW_RANGE_STANDARD = 32795,
    ID_VIEW_RANGE_AUTO = 32796,
    ID_VIEW_RANGE_PERCENTILE = 32797,
    ID_VIEW_RANGE_CUSTOM = 32798,
    ID_VIEW_GOTO_FRAME = 32799,
    ID_FILE_PROPERTIES = 32800,
};
} // namespace

FrameNavigator::FrameNavigator(CMainFrame* frame) : QObject(frame), m_pFrame(frame) {
    CreateActions();
    CreateBand();
    CreatePanes();
    ReadSettings();
    connect(frame->MdiArea(), &QMdiArea::subWindowActivated, this, &FrameNavigator::OnActivated);
    connect(frame->GetDocTemplate(), &DocTemplate::documentsChanged, this, [this] {
        // Forget closed documents, so a new one at the same address starts
        // with the remembered range too.
        const std::vector<CVornDoc*> open = m_pFrame->GetDocTemplate()->Documents();
        std::erase_if(m_rangedDocs, [&](const CVornDoc* doc) {
            return std::find(open.begin(), open.end(), doc) == open.end();
        });
        UpdateActions();
    });
    frame->installEventFilter(this);
    OnActivated();
}

void FrameNavigator::CreateActions() {
    auto make = [this](const QString& text, const QString& tip, const char* name, int id,
                       auto handler) {
        auto* action = new QAction(text, m_pFrame);
        action->setObjectName(QString::fromLatin1(name));
        action->setData(id);
        action->setStatusTip(tip);
        connect(action, &QAction::triggered, this, handler);
        m_pFrame->addAction(action); // shortcuts work whichever menu is shown
        return action;
    };
    m_pActGoTo = make(tr("&Go to Frame...\tCtrl+G"), tr("Type the number of the frame to show"),
                      "ID_VIEW_GOTO_FRAME", ID_VIEW_GOTO_FRAME, [this] { OnGoToFrame(); });
    m_pActGoTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    m_pActProperties = make(tr("Propert&ies...\tAlt+Enter"),
                            tr("Show what the recording holds and the histogram of the frame"),
                            "ID_FILE_PROPERTIES", ID_FILE_PROPERTIES, [this] { OnProperties(); });
    m_pActProperties->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    m_pActFit = make(tr("&Fit to Window"), tr("Show the whole frame fitted into the window"),
                     "ID_VIEW_ZOOM_FIT", ID_VIEW_ZOOM_FIT, [this] {
                         if (CVornView* view = ActiveView())
                             view->ZoomFit();
                         UpdateActions();
                     });
    m_pActActual = make(tr("&Actual Size"), tr("Show one frame pixel per screen pixel"),
                        "ID_VIEW_ZOOM_ACTUAL", ID_VIEW_ZOOM_ACTUAL, [this] {
                            if (CVornView* view = ActiveView())
                                view->ZoomActualSize();
                            UpdateActions();
                        });
    m_pActZoomIn = make(tr("Zoom &In"), tr("Show the frame twice as large"), "ID_VIEW_ZOOM_IN",
                        ID_VIEW_ZOOM_IN, [this] {
                            if (CVornView* view = ActiveView())
                                view->ZoomIn();
                            UpdateActions();
                        });
    m_pActZoomOut = make(tr("Zoom &Out"), tr("Show the frame half as large"), "ID_VIEW_ZOOM_OUT",
                         ID_VIEW_ZOOM_OUT, [this] {
                             if (CVornView* view = ActiveView())
                                 view->ZoomOut();
                             UpdateActions();
                         });
    for (QAction* action : {m_pActFit, m_pActActual})
        action->setCheckable(true);

    m_pRangeGroup = new QActionGroup(this);
    m_pRangeGroup->setExclusive(true);
    const struct {
        QString text;
        QString tip;
        const char* name;
        int id;
        DisplayRangeMode mode;
    } ranges[] = {
        {tr("&Standard"), tr("Show the top 8 of the 10 bits"), "ID_VIEW_RANGE_STANDARD",
         ID_VIEW_RANGE_STANDARD, DisplayRangeMode::Standard},
        {tr("&Auto"), tr("Stretch the frame's darkest to brightest pixel over the greys"),
         "ID_VIEW_RANGE_AUTO", ID_VIEW_RANGE_AUTO, DisplayRangeMode::Auto},
        {tr("A&uto 0.5\u201399.5 %"),
         tr("Stretch the frame's 0.5 % to 99.5 % percentiles over the greys"),
         "ID_VIEW_RANGE_PERCENTILE", ID_VIEW_RANGE_PERCENTILE, DisplayRangeMode::AutoPercentile},
        {tr("&Custom..."), tr("Choose the values shown black and white"), "ID_VIEW_RANGE_CUSTOM",
         ID_VIEW_RANGE_CUSTOM, DisplayRangeMode::Custom},
    };
    for (const auto& range : ranges) {
        const DisplayRangeMode mode = range.mode;
        QAction* action = make(range.text, range.tip, range.name, range.id, [this, mode] {
            if (mode == DisplayRangeMode::Custom) {
                OnCustomRange();
                return;
            }
            DisplayRange chosen = m_rememberedRange;
            chosen.mode = mode;
            SetDisplayRange(chosen);
        });
        action->setCheckable(true);
        m_pRangeGroup->addAction(action);
        m_rangeActions.append(action);
    }
}

void FrameNavigator::AddMenuItems(QMenu* fileMenu, QMenu* viewMenu) {
    if (fileMenu) {
        // Before the separator that precedes Exit.
        const QList<QAction*> items = fileMenu->actions();
        QAction* before = items.size() >= 2 ? items[items.size() - 2] : nullptr;
        fileMenu->insertAction(before, m_pActProperties);
        fileMenu->insertSeparator(m_pActProperties);
        connect(fileMenu, &QMenu::aboutToShow, this, &FrameNavigator::UpdateActions);
    }
    if (viewMenu) {
        viewMenu->addSeparator();
        viewMenu->addAction(m_pActFit);
        viewMenu->addAction(m_pActActual);
        viewMenu->addAction(m_pActZoomIn);
        viewMenu->addAction(m_pActZoomOut);
        viewMenu->addSeparator();
        m_pRangeMenu = viewMenu->addMenu(tr("&Display Range"));
        m_pRangeMenu->setObjectName(QStringLiteral("ID_VIEW_RANGE"));
        m_pRangeMenu->menuAction()->setData(ID_VIEW_RANGE);
        m_pRangeMenu->addActions(m_rangeActions);
        viewMenu->addSeparator();
        viewMenu->addAction(m_pActGoTo);
        connect(viewMenu, &QMenu::aboutToShow, this, &FrameNavigator::UpdateActions);
    }
    UpdateActions();
}

void FrameNavigator::CreateBand() {
    m_pBar = new FrameBar(m_pFrame);
    m_pBand = new QToolBar(m_pFrame);
    m_pBand->setObjectName(QStringLiteral("AFX_IDW_FRAMEBAR"));
    m_pBand->setMovable(true);
    m_pBand->setFloatable(false);
    m_pBand->setAllowedAreas(Qt::TopToolBarArea);
    m_pBand->addWidget(m_pBar);
    m_pBand->toggleViewAction()->setVisible(false);
    // A row of its own until the window is known to be wide enough: a band
    // beside the others would make the window's minimum width their sum.
    m_pFrame->addToolBarBreak(Qt::TopToolBarArea);
    m_pFrame->addToolBar(Qt::TopToolBarArea, m_pBand);

    connect(m_pBar, &FrameBar::stepRequested, this,
            [this](int delta) { ShowFrame(std::max(0, CurrentFrame()) + delta); });
    connect(m_pBar, &FrameBar::sliderMoved, this, &FrameNavigator::OnSliderMoved);
    connect(m_pBar, &FrameBar::frameEntered, this, [this](int frame) { ShowFrame(frame); });
    connect(m_pBar, &FrameBar::rateChanged, this, [](int rate) { WritePlaybackRate(rate); });
    connect(m_pBar, &FrameBar::loopChanged, this, [](bool loop) { WritePlaybackLoop(loop); });
}

void FrameNavigator::CreatePanes() {
    QStatusBar* status = m_pFrame->statusBar();
    // Before the KANA indicator, the first of the permanent panes.
    m_pRatePane = new QLabel(status);
    m_pRatePane->setObjectName(QStringLiteral("ID_INDICATOR_RATE"));
    m_pRatePane->setAlignment(Qt::AlignCenter);
    m_pRatePane->setMinimumWidth(
        m_pRatePane->fontMetrics().horizontalAdvance(QStringLiteral("00000 fps")) + 8);
    m_pReadout = new QLabel(status);
    m_pReadout->setObjectName(QStringLiteral("ID_INDICATOR_PIXEL"));
    m_pReadout->setMinimumWidth(
        m_pReadout->fontMetrics().horizontalAdvance(ReadoutText(8888, 8888, 8888)) + 8);
    for (QLabel* pane : {m_pRatePane, m_pReadout})
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The indicators are taken out and put back behind the new panes, which
    // keeps their order whatever else the status bar holds.
    QList<QWidget*> indicators;
    for (const char* name :
         {"ID_INDICATOR_KANA", "ID_INDICATOR_CAPS", "ID_INDICATOR_NUM", "ID_INDICATOR_SCRL"}) {
        if (auto* indicator = status->findChild<QWidget*>(QString::fromLatin1(name))) {
            status->removeWidget(indicator);
            indicators.append(indicator);
        }
    }
    status->addPermanentWidget(m_pRatePane);
    status->addPermanentWidget(m_pReadout);
    for (QWidget* indicator : indicators) {
        status->addPermanentWidget(indicator);
        indicator->show();
    }
}

void FrameNavigator::ReadSettings() {
    const ViewSettings settings = ReadViewSettings();
    m_pBar->SetRate(settings.rate);
    m_pBar->SetLoop(settings.loop);
    m_rememberedRange = settings.range;
}

QString FrameNavigator::ReadoutText(int x, int y, int value) {
    return tr("x %1, y %2: %3").arg(x).arg(y).arg(value);
}

QList<QAction*> FrameNavigator::ZoomActions() const {
    return {m_pActFit, m_pActActual, m_pActZoomIn, m_pActZoomOut};
}

QList<QAction*> FrameNavigator::RangeActions() const {
    return m_rangeActions;
}

int FrameNavigator::Rate() const {
    return m_pBar->Rate();
}

bool FrameNavigator::Loop() const {
    return m_pBar->Loop();
}

void FrameNavigator::SetRate(int framesPerSecond) {
    m_pBar->SetRate(framesPerSecond);
    WritePlaybackRate(m_pBar->Rate());
}

void FrameNavigator::SetLoop(bool loop) {
    m_pBar->SetLoop(loop);
    WritePlaybackLoop(loop);
}

CVornView* FrameNavigator::ActiveView() const {
    const CChildFrame* child = m_pFrame->MDIGetActive();
    return child ? child->GetActiveView() : nullptr;
}

int FrameNavigator::CurrentFrame() const {
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || !doc->m_pReader)
        return -1;
    return doc->m_pReader->currentFrame;
}

bool FrameNavigator::ShowFrame(int index) {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy || doc->m_nFrameCount <= 0)
        return false;
    index = std::clamp(index, 0, doc->m_nFrameCount - 1);
    return doc->RenderFrame(index, 0, nullptr, 16, 8) != 0;
}

void FrameNavigator::PlayFromCurrent() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy)
        return;
    const bool all = m_pFrame->m_nRangeMode != 0;
    const int first = all ? 0 : m_pFrame->m_nStartFrame;
    const int limit = all ? doc->m_nFrameCount : std::max(first, m_pFrame->m_nEndFrame + 1);
    int start = CurrentFrame();
    // From the frame shown, unless it lies outside the range or is its last
    // frame: then the range plays from its start.
    if (start < first || start + 1 >= limit)
        start = first;
    m_pFrame->PlayFrames(doc, first, limit, start);
}

void FrameNavigator::OnSliderMoved(int frame) {
    // While a frame is being drawn, newer positions replace older ones: only
    // the latest is shown once the event queue has been worked off.
    m_nPendingSlider = frame;
    if (m_bSliderScheduled)
        return;
    m_bSliderScheduled = true;
    QMetaObject::invokeMethod(this, &FrameNavigator::ShowPendingSliderFrame, Qt::QueuedConnection);
}

void FrameNavigator::ShowPendingSliderFrame() {
    m_bSliderScheduled = false;
    if (m_nPendingSlider < 0)
        return;
    const int frame = std::exchange(m_nPendingSlider, -1);
    if (frame != CurrentFrame())
        ShowFrame(frame);
}

bool FrameNavigator::HandleKey(int key) {
    if (m_pFrame->m_bBusy) {
        // During a playback Space and Escape abort it, like the Abort button.
        if (m_bPlaying && (key == Qt::Key_Space || key == Qt::Key_Escape)) {
            m_pFrame->m_bAbort = 1;
            return true;
        }
        return false;
    }
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc)
        return false;
    const int current = std::max(0, CurrentFrame());
    switch (key) {
    case Qt::Key_Right:
        ShowFrame(current + 1);
        return true;
    case Qt::Key_Left:
        ShowFrame(current - 1);
        return true;
    case Qt::Key_PageDown:
        ShowFrame(current + kPageFrames);
        return true;
    case Qt::Key_PageUp:
        ShowFrame(current - kPageFrames);
        return true;
    case Qt::Key_Home:
        ShowFrame(0);
        return true;
    case Qt::Key_End:
        ShowFrame(doc->m_nFrameCount - 1);
        return true;
    case Qt::Key_Space:
        PlayFromCurrent();
        return true;
    default:
        return false;
    }
}

bool FrameNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pFrame) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            WrapBand();
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Plain keys only: modified ones stay the accelerators'.
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && HandleKey(key->key()))
            return true;
    }
    return false;
}

void FrameNavigator::WrapBand() {
    // Like a rebar band: a row of its own when it does not fit beside the
    // bands before it (which wrap the same way).
    const QList<QToolBar*> bands =
        m_pFrame->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    int before = 0;
    for (QToolBar* band : bands) {
        if (band == m_pBand || !band->isVisible())
            continue;
        if (m_pFrame->toolBarBreak(band))
            before = 0;
        before += band->sizeHint().width() + 12;
    }
    const bool fits = before + m_pBand->sizeHint().width() + 12 <= m_pFrame->width();
    const bool broken = m_pFrame->toolBarBreak(m_pBand);
    if (fits && broken)
        m_pFrame->removeToolBarBreak(m_pBand);
    else if (!fits && !broken)
        m_pFrame->insertToolBarBreak(m_pBand);
}

void FrameNavigator::OnActivated() {
    CChildFrame* child = m_pFrame->MDIGetActive();
    if (child && child != m_pActiveFrame) {
        connect(child, &CChildFrame::frameTitleChanged, this, &FrameNavigator::SyncBar,
                Qt::UniqueConnection);
        if (CVornView* view = child->GetActiveView()) {
            view->installEventFilter(this);
            connect(view, &CVornView::readoutChanged, this, &FrameNavigator::OnReadout,
                    Qt::UniqueConnection);
        }
        ApplyRememberedRange(child->GetActiveDocument());
    }
    if (child != m_pActiveFrame)
        m_pReadout->clear();
    m_pActiveFrame = child;
    SyncBar();
    UpdateActions();
}

void FrameNavigator::OnReadout(bool inside, int x, int y, int value) {
    // Only the active window's view speaks for the pane.
    if (sender() == ActiveView())
        m_pReadout->setText(inside ? ReadoutText(x, y, value) : QString());
}

void FrameNavigator::ApplyRememberedRange(CVornDoc* doc) {
    if (!doc || std::find(m_rangedDocs.begin(), m_rangedDocs.end(), doc) != m_rangedDocs.end())
        return;
    m_rangedDocs.push_back(doc);
    doc->SetDisplayRange(m_rememberedRange);
}

void FrameNavigator::SyncBar() {
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc) {
        m_pBar->SetFrames(0, 0);
        m_pBar->setEnabled(false);
        return;
    }
    m_pBar->SetFrames(doc->m_nFrameCount, CurrentFrame());
    m_pBar->setEnabled(m_bRunEnabled && !m_pFrame->m_bBusy);
}

void FrameNavigator::UpdateActions() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    const CVornView* view = ActiveView();
    const bool idle = !m_pFrame->m_bBusy;
    m_pActGoTo->setEnabled(doc && idle);
    m_pActProperties->setEnabled(doc && idle);
    for (QAction* action : ZoomActions())
        action->setEnabled(view != nullptr);
    m_pActFit->setChecked(view && view->Zoom().IsFit());
    m_pActActual->setChecked(view && !view->Zoom().IsFit() && view->Zoom().Level() == 0);
    const int mode = doc ? static_cast<int>(doc->GetDisplayRange().mode) : -1;
    for (int i = 0; i < m_rangeActions.size(); ++i) {
        m_rangeActions[i]->setEnabled(doc && (idle || i != 3));
        m_rangeActions[i]->setChecked(i == mode);
    }
    if (m_pRangeMenu)
        m_pRangeMenu->setEnabled(doc != nullptr);
}

void FrameNavigator::EnableDuringRun(bool enable) {
    m_bRunEnabled = enable;
    if (enable)
        m_bPlaying = false;
    SyncBar();
    m_pBar->setEnabled(enable && m_pFrame->GetActiveDocument() != nullptr);
    UpdateActions();
}

void FrameNavigator::SetDisplayRange(const DisplayRange& range) {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    m_rememberedRange = range;
    WriteDisplayRange(range);
    if (doc)
        doc->SetDisplayRange(range);
    UpdateActions();
}

void FrameNavigator::ShowAchievedRate(double framesPerSecond) {
    m_pRatePane->setText(framesPerSecond > 0 ? tr("%1 fps").arg(qRound(framesPerSecond))
                                             : QString());
}

void FrameNavigator::OnGoToFrame() {
    if (!m_pFrame->GetActiveDocument() || m_pFrame->m_bBusy)
        return;
    m_pBand->setVisible(true);
    m_pBar->FocusFrameNumber();
}

int FrameNavigator::RunDialog(QDialog& dialog) {
    return m_dialogRunner ? m_dialogRunner(dialog) : dialog.exec();
}

void FrameNavigator::OnProperties() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy)
        return;
    PropertiesDialog dialog(*doc, m_pFrame);
    if (m_propertiesExtension)
        m_propertiesExtension(dialog, *doc);
    RunDialog(dialog);
}

void FrameNavigator::OnCustomRange() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy) {
        UpdateActions();
        return;
    }
    const DisplayRange current = doc->GetDisplayRange();
    RangeDialog dialog(current.mode == DisplayRangeMode::Custom ? current : m_rememberedRange,
                       m_pFrame);
    if (RunDialog(dialog) == QDialog::Accepted && m_pFrame->GetActiveDocument() == doc) {
        DisplayRange chosen = dialog.Range();
        chosen.mode = DisplayRangeMode::Custom;
        SetDisplayRange(chosen);
        return;
    }
    UpdateActions(); // the check mark goes back to the mode in force
}
