// SPDX-License-Identifier: BSD-3-Clause
// The navigator's commands: Go to Frame, Properties, the zoom and display
// range items of the View menu, and their enabled and checked states.
#include "app/FrameNavigator.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/FrameBar.h"
#include "app/PropertiesDialog.h"
#include "app/RangeDialog.h"
#include "app/ViewSettings.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolBar>

namespace {
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
    m_pActZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus),
                                QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    m_pActZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    m_pActFit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    m_pActActual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    // Escape aborts any run, wherever the keyboard is, like the Abort button.
    m_pActAbortRun = new QAction(m_pFrame);
    m_pActAbortRun->setObjectName(QStringLiteral("ID_RUN_ABORT"));
    m_pActAbortRun->setShortcut(QKeySequence(Qt::Key_Escape));
    m_pActAbortRun->setEnabled(false);
    connect(m_pActAbortRun, &QAction::triggered, this, [this] {
        if (m_pFrame->m_bBusy)
            m_pFrame->m_bAbort = 1;
    });
    m_pFrame->addAction(m_pActAbortRun);

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

QList<QAction*> FrameNavigator::ZoomActions() const {
    return {m_pActFit, m_pActActual, m_pActZoomIn, m_pActZoomOut};
}

QList<QAction*> FrameNavigator::RangeActions() const {
    return m_rangeActions;
}

void FrameNavigator::UpdateActions() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    const CVornView* view = ActiveView();
    const bool idle = !m_pFrame->m_bBusy;
    m_pActGoTo->setEnabled(doc && idle);
    m_pActProperties->setEnabled(doc && idle);
    for (QAction* action : ZoomActions())
        action->setEnabled(view != nullptr);
    if (view && !view->Zoom().IsFit()) {
        m_pActZoomIn->setEnabled(view->Zoom().Level() < ZoomState::kMaxLevel);
        m_pActZoomOut->setEnabled(view->Zoom().Level() > ZoomState::kMinLevel);
    }
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

void FrameNavigator::SetDisplayRange(const DisplayRange& range) {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    m_rememberedRange = range;
    WriteDisplayRange(range);
    if (doc)
        doc->SetDisplayRange(range);
    UpdateActions();
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
    PropertiesDialog dialog(*doc, m_pFrame, PositionFrame());
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
