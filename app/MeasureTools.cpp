// SPDX-License-Identifier: BSD-3-Clause
#include "app/MeasureTools.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocTemplate.h"
#include "app/FrameNavigator.h"
#include "app/MeasureDock.h"
#include "app/MeasurePlots.h"
#include "app/Profile.h"
#include "app/RecordingRates.h"
#include "app/ScaleDialog.h"
#include "app/TimeAxis.h"
#include "app/ToolbarIcon.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QToolBar>

#include <algorithm>

namespace {

enum MeasureCommand : int {
    ID_TOOL_POINTER = 32860,
    ID_TOOL_RECTANGLE = 32861,
    ID_TOOL_ELLIPSE = 32862,
    ID_TOOL_LINE = 32863,
    ID_TOOL_POINT = 32864,
    ID_TOOL_TRACK = 32865,
    ID_TOOL_NEW_TRACK = 32866,
    ID_TOOL_CLEAR_TRACKS = 32867,
    ID_TOOL_DELETE_SHAPE = 32868,
    ID_TOOL_PLOT_OVER_TIME = 32869,
    ID_TOOL_LINE_PROFILE = 32870,
    ID_TOOL_SET_SCALE = 32871,
    ID_TOOL_CLEAR_SCALE = 32872,
    ID_VIEW_MEASUREMENTS = 32873,
    ID_VIEW_SCALE_BAR = 32874,
};

QString Tr(const char* text) {
    return QCoreApplication::translate("MeasureTools", text);
}

struct ToolText {
    MeasureTool tool;
    int id;
    const char* name;
    const char* icon;
    const char* text;
    const char* prompt; // status-bar prompt, then after '\n' the tool tip
};

constexpr ToolText kTools[] = {
    {MeasureTool::Pointer, ID_TOOL_POINTER, "ID_TOOL_POINTER", "pointer",
     QT_TRANSLATE_NOOP("MeasureTools", "&Pointer"),
     QT_TRANSLATE_NOOP("MeasureTools", "Pan the zoomed frame by dragging; move and resize "
                                       "shapes by their handles\nPointer")},
    {MeasureTool::Rectangle, ID_TOOL_RECTANGLE, "ID_TOOL_RECTANGLE", "rectangle",
     QT_TRANSLATE_NOOP("MeasureTools", "&Rectangle"),
     QT_TRANSLATE_NOOP("MeasureTools", "Draw a rectangular region by dragging\nRectangle")},
    {MeasureTool::Ellipse, ID_TOOL_ELLIPSE, "ID_TOOL_ELLIPSE", "ellipse",
     QT_TRANSLATE_NOOP("MeasureTools", "&Ellipse"),
     QT_TRANSLATE_NOOP("MeasureTools", "Draw an elliptical region by dragging\nEllipse")},
    {MeasureTool::Line, ID_TOOL_LINE, "ID_TOOL_LINE", "line",
     QT_TRANSLATE_NOOP("MeasureTools", "&Line"),
     QT_TRANSLATE_NOOP("MeasureTools", "Draw a line by dragging\nLine")},
    {MeasureTool::Point, ID_TOOL_POINT, "ID_TOOL_POINT", "point",
     QT_TRANSLATE_NOOP("MeasureTools", "P&oint"),
     QT_TRANSLATE_NOOP("MeasureTools", "Mark a point by clicking\nPoint")},
};

QString PromptOf(const char* prompt) {
    return Tr(prompt).section(QLatin1Char('\n'), 0, 0);
}

QString TipOf(const char* prompt) {
    return Tr(prompt).section(QLatin1Char('\n'), 1);
}

// "Measure"/"ScaleBar": "1" while View > Scale Bar is on.
const QString kMeasureSection = QStringLiteral("Measure");
const QString kScaleBarEntry = QStringLiteral("ScaleBar");

QSettings Store() {
    return QSettings(QString::fromLatin1(kProfileCompany),
                     QString::fromLatin1(kProfileApplication));
}

bool ReadScaleBarShown() {
    QSettings settings = Store();
    const std::optional<std::string> text =
        GetProfileString(settings, kMeasureSection, kScaleBarEntry);
    return text && LeadingInteger(*text) != 0;
}

QString PathOf(const CVornDoc& doc) {
    return QFile::decodeName(QByteArray::fromStdString(doc.GetPathName()));
}

} // namespace

MeasureTools::MeasureTools(CMainFrame* frame) : QObject(frame), m_pFrame(frame) {
    CreateActions();
    CreateMenu();
    CreateToolBar();
    CreateDock();
    connect(frame->MdiArea(), &QMdiArea::subWindowActivated, this, &MeasureTools::OnActivated);
    connect(frame->GetDocTemplate(), &DocTemplate::documentsChanged, this, [this] {
        const std::vector<CVornDoc*> open = m_pFrame->GetDocTemplate()->Documents();
        std::erase_if(m_scales, [&](const auto& entry) {
            return std::find(open.begin(), open.end(), entry.first) == open.end();
        });
    });
    OnActivated();
}

MeasureTools::~MeasureTools() {
    if (m_pDockContents)
        m_pDockContents->SetView(nullptr);
}

QAction* MeasureTools::NewAction(int id, const char* name, const char* text,
                                 const char* prompt) {
    auto* action = new QAction(Tr(text), m_pFrame);
    action->setObjectName(QString::fromLatin1(name));
    action->setData(id);
    action->setStatusTip(PromptOf(prompt));
    if (!TipOf(prompt).isEmpty())
        action->setToolTip(TipOf(prompt));
    m_pFrame->addAction(action);
    return action;
}

void MeasureTools::CreateActions() {
    m_pToolGroup = new QActionGroup(this);
    m_pToolGroup->setExclusive(true);
    for (const ToolText& tool : kTools) {
        QAction* action = NewAction(tool.id, tool.name, tool.text, tool.prompt);
        action->setIcon(ToolbarIcon(tool.icon));
        action->setCheckable(true);
        action->setChecked(tool.tool == MeasureTool::Pointer);
        m_pToolGroup->addAction(action);
        const MeasureTool which = tool.tool;
        connect(action, &QAction::triggered, this, [this, which] { SetTool(which); });
    }
    CreateCommands();
}

void MeasureTools::CreateCommands() {
    // The commands, in menu order; Track and Scale Bar are check items.
    const struct {
        QAction* MeasureTools::*member;
        int id;
        const char* name;
        const char* text;
        const char* prompt;
        void (MeasureTools::*handler)();
    } commands[] = {
        {&MeasureTools::m_pActTrack, ID_TOOL_TRACK, "ID_TOOL_TRACK",
         QT_TRANSLATE_NOOP("MeasureTools", "&Track"),
         QT_TRANSLATE_NOOP("MeasureTools", "With the Point tool, each click records the point "
                                           "and shows the next frame"),
         nullptr},
        {&MeasureTools::m_pActNewTrack, ID_TOOL_NEW_TRACK, "ID_TOOL_NEW_TRACK",
         QT_TRANSLATE_NOOP("MeasureTools", "&New Track"),
         QT_TRANSLATE_NOOP("MeasureTools", "Start another track in this window"),
         &MeasureTools::OnNewTrack},
        {&MeasureTools::m_pActClearTracks, ID_TOOL_CLEAR_TRACKS, "ID_TOOL_CLEAR_TRACKS",
         QT_TRANSLATE_NOOP("MeasureTools", "Clear Trac&ks"),
         QT_TRANSLATE_NOOP("MeasureTools", "Remove every track of this window"),
         &MeasureTools::OnClearTracks},
        // Delete itself is the view's key, so text fields keep theirs.
        {&MeasureTools::m_pActDelete, ID_TOOL_DELETE_SHAPE, "ID_TOOL_DELETE_SHAPE",
         QT_TRANSLATE_NOOP("MeasureTools", "&Delete Shape\tDel"),
         QT_TRANSLATE_NOOP("MeasureTools", "Remove the selected shape"),
         &MeasureTools::OnDeleteShape},
        {&MeasureTools::m_pActPlot, ID_TOOL_PLOT_OVER_TIME, "ID_TOOL_PLOT_OVER_TIME",
         QT_TRANSLATE_NOOP("MeasureTools", "Plot O&ver Time"),
         QT_TRANSLATE_NOOP("MeasureTools", "Plot the selected region's mean, minimum and "
                                           "maximum over the frame range"),
         &MeasureTools::OnPlotOverTime},
        {&MeasureTools::m_pActProfile, ID_TOOL_LINE_PROFILE, "ID_TOOL_LINE_PROFILE",
         QT_TRANSLATE_NOOP("MeasureTools", "Line Pro&file"),
         QT_TRANSLATE_NOOP("MeasureTools", "Plot the values along the selected line"),
         &MeasureTools::OnLineProfile},
        {&MeasureTools::m_pActScale, ID_TOOL_SET_SCALE, "ID_TOOL_SET_SCALE",
         QT_TRANSLATE_NOOP("MeasureTools", "Set &Scale\u2026"),
         QT_TRANSLATE_NOOP("MeasureTools", "Give the selected line's length as a distance, "
                                           "which calibrates the recording"),
         &MeasureTools::OnSetScale},
        {&MeasureTools::m_pActClearScale, ID_TOOL_CLEAR_SCALE, "ID_TOOL_CLEAR_SCALE",
         QT_TRANSLATE_NOOP("MeasureTools", "Clear Sc&ale"),
         QT_TRANSLATE_NOOP("MeasureTools", "Forget the recording's scale"),
         &MeasureTools::OnClearScale},
        {&MeasureTools::m_pActScaleBar, ID_VIEW_SCALE_BAR, "ID_VIEW_SCALE_BAR",
         QT_TRANSLATE_NOOP("MeasureTools", "Scale &Bar"),
         QT_TRANSLATE_NOOP("MeasureTools", "Show a scale bar over calibrated recordings"),
         nullptr},
    };
    for (const auto& command : commands) {
        QAction* action = NewAction(command.id, command.name, command.text, command.prompt);
        this->*command.member = action;
        if (command.handler)
            connect(action, &QAction::triggered, this, command.handler);
    }
    m_pActTrack->setCheckable(true);
    connect(m_pActTrack, &QAction::toggled, this, &MeasureTools::SetTracking);
    m_pActScaleBar->setCheckable(true);
    m_pActScaleBar->setChecked(ReadScaleBarShown());
    connect(m_pActScaleBar, &QAction::toggled, this, [this](bool on) {
        QSettings settings = Store();
        WriteProfileString(settings, kMeasureSection, kScaleBarEntry, on ? "1" : "0");
        ApplyToViews();
    });
}

void MeasureTools::CreateMenu() {
    m_pMenu = new QMenu(Tr(QT_TRANSLATE_NOOP("MeasureTools", "&Tools")), m_pFrame);
    m_pMenu->setObjectName(QStringLiteral("ToolsMenu"));
    m_pMenu->addActions(m_pToolGroup->actions());
    m_pMenu->addSeparator();
    m_pMenu->addAction(m_pActTrack);
    m_pMenu->addAction(m_pActNewTrack);
    m_pMenu->addAction(m_pActClearTracks);
    m_pMenu->addSeparator();
    m_pMenu->addAction(m_pActDelete);
    m_pMenu->addSeparator();
    m_pMenu->addAction(m_pActPlot);
    m_pMenu->addAction(m_pActProfile);
    m_pMenu->addSeparator();
    m_pMenu->addAction(m_pActScale);
    m_pMenu->addAction(m_pActClearScale);
    connect(m_pMenu, &QMenu::aboutToShow, this, &MeasureTools::UpdateActions);
}

void MeasureTools::CreateToolBar() {
    m_pToolBar = new QToolBar(Tr(QT_TRANSLATE_NOOP("MeasureTools", "Tools")), m_pFrame);
    m_pToolBar->setObjectName(QStringLiteral("ToolsBar"));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(false);
    m_pToolBar->setAllowedAreas(Qt::TopToolBarArea);
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->toggleViewAction()->setVisible(false);
    m_pToolBar->addActions(m_pToolGroup->actions());
    // Beside the main toolbar, before the conversion bar's band.
    if (m_pFrame->m_wndReBar)
        m_pFrame->insertToolBar(m_pFrame->m_wndReBar, m_pToolBar);
    else
        m_pFrame->addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void MeasureTools::CreateDock() {
    m_pDock = new QDockWidget(Tr(QT_TRANSLATE_NOOP("MeasureTools", "Measurements")), m_pFrame);
    m_pDock->setObjectName(QStringLiteral("MeasurementsDock"));
    m_pDockContents = new MeasureDock(m_pDock);
    m_pDockContents->SetSources([this](const CVornDoc& doc) { return ScaleOf(doc); },
                                [this](const CVornDoc& doc) {
                                    TimeAxis* time = m_pFrame->Time();
                                    return time ? time->RateOf(doc) : std::nullopt;
                                });
    m_pDock->setWidget(m_pDockContents);
    m_pDock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea |
                             Qt::LeftDockWidgetArea);
    m_pFrame->addDockWidget(Qt::BottomDockWidgetArea, m_pDock);
    m_pDock->hide();
    connect(m_pDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && !m_bDockSized) {
            m_bDockSized = true;
            m_pFrame->resizeDocks({m_pDock}, {m_pDockContents->sizeHint().height()}, Qt::Vertical);
        }
    });
    QAction* toggle = m_pDock->toggleViewAction();
    toggle->setText(Tr(QT_TRANSLATE_NOOP("MeasureTools", "&Measurements")));
    toggle->setObjectName(QStringLiteral("ID_VIEW_MEASUREMENTS"));
    toggle->setData(ID_VIEW_MEASUREMENTS);
    toggle->setStatusTip(Tr(QT_TRANSLATE_NOOP(
        "MeasureTools", "Show or hide the measurements of the active window's shapes")));
}

void MeasureTools::AddViewItems(QMenu* viewMenu) {
    if (!viewMenu)
        return;
    viewMenu->addSeparator();
    viewMenu->addAction(m_pDock->toggleViewAction());
    viewMenu->addAction(m_pActScaleBar);
}

QAction* MeasureTools::ToolAction(MeasureTool tool) const {
    const QList<QAction*> actions = m_pToolGroup->actions();
    for (size_t i = 0; i < std::size(kTools); ++i) {
        if (kTools[i].tool == tool)
            return actions[static_cast<qsizetype>(i)];
    }
    return nullptr;
}

CVornView* MeasureTools::ActiveView() const {
    const CChildFrame* child = m_pFrame->MDIGetActive();
    return child ? child->GetActiveView() : nullptr;
}

const Shape* MeasureTools::SelectedShape() const {
    const CVornView* view = ActiveView();
    return view ? view->Shapes().SelectedShape() : nullptr;
}

void MeasureTools::SetTool(MeasureTool tool) {
    m_tool = tool;
    if (QAction* action = ToolAction(tool); action && !action->isChecked())
        action->setChecked(true);
    if (tool != MeasureTool::Point && m_pActTrack->isChecked())
        m_pActTrack->setChecked(false);
    ApplyToViews();
}

bool MeasureTools::Tracking() const {
    return m_pActTrack->isChecked();
}

void MeasureTools::SetTracking(bool on) {
    if (m_pActTrack->isChecked() != on) {
        m_pActTrack->setChecked(on); // comes back here through toggled
        return;
    }
    if (on && m_tool != MeasureTool::Point)
        SetTool(MeasureTool::Point);
    if (on)
        m_pDock->show();
    ApplyToViews();
}

void MeasureTools::ApplyToViews() {
    const QList<QMdiSubWindow*> windows = m_pFrame->MdiArea()->subWindowList();
    for (QMdiSubWindow* window : windows) {
        auto* child = qobject_cast<CChildFrame*>(window);
        CVornView* view = child ? child->GetActiveView() : nullptr;
        if (!view)
            continue;
        view->SetTool(m_tool);
        view->SetTracking(Tracking());
        const CVornDoc* doc = view->GetDocument();
        view->SetScaleBar(doc ? ScaleOf(*doc) : std::nullopt, m_pActScaleBar->isChecked());
    }
    UpdateActions();
}

void MeasureTools::ApplyScaleBar(const CVornDoc* doc) {
    const QList<QMdiSubWindow*> windows = m_pFrame->MdiArea()->subWindowList();
    for (QMdiSubWindow* window : windows) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child && child->GetActiveView() && child->GetActiveDocument() == doc)
            child->GetActiveView()->SetScaleBar(ScaleOf(*doc), m_pActScaleBar->isChecked());
    }
}

void MeasureTools::OnActivated() {
    CVornView* view = ActiveView();
    if (view && view != m_pActiveView) {
        connect(view, &CVornView::shapesChanged, this, &MeasureTools::OnShapesChanged,
                Qt::UniqueConnection);
        connect(view, &CVornView::trackClicked, this, &MeasureTools::OnViewTrackClicked,
                Qt::UniqueConnection);
    }
    m_pActiveView = view;
    ApplyToViews();
    m_pDockContents->SetView(view);
}

void MeasureTools::OnShapesChanged() {
    // The first shape of a session brings the measurements into view.
    const CVornView* view = ActiveView();
    if (!m_bDockShownOnce && view && !view->Shapes().Shapes().empty()) {
        m_bDockShownOnce = true;
        m_pDock->show();
    }
    UpdateActions();
}

void MeasureTools::UpdateActions() {
    const CVornView* view = ActiveView();
    const Shape* selected = SelectedShape();
    const bool idle = !m_pFrame->m_bBusy;
    for (QAction* action : m_pToolGroup->actions())
        action->setEnabled(view != nullptr);
    m_pActTrack->setEnabled(view != nullptr);
    m_pActNewTrack->setEnabled(view && !view->Shapes().CurrentTrack().empty());
    m_pActClearTracks->setEnabled(view && (view->Shapes().Tracks().size() > 1 ||
                                           !view->Shapes().CurrentTrack().empty()));
    m_pActDelete->setEnabled(selected != nullptr);
    m_pActPlot->setEnabled(idle && selected && selected->IsRegion());
    m_pActProfile->setEnabled(idle && selected && selected->kind == ShapeKind::Line);
    m_pActScale->setEnabled(selected && selected->kind == ShapeKind::Line);
    const CVornDoc* doc = view ? view->GetDocument() : nullptr;
    m_pActClearScale->setEnabled(doc && ScaleOf(*doc).has_value());
}

void MeasureTools::OnViewTrackClicked(int x, int y) {
    if (auto* view = qobject_cast<CVornView*>(sender()))
        OnTrackClicked(view, x, y);
}

void MeasureTools::OnTrackClicked(CVornView* view, int x, int y) {
    CVornDoc* doc = view->GetDocument();
    if (!doc || !doc->m_pReader || m_pFrame->m_bBusy)
        return;
    const bool active = view == ActiveView();
    const int frame = active && m_pFrame->Navigator() ? m_pFrame->Navigator()->PositionFrame()
                                                      : doc->m_pReader->currentFrame;
    if (frame < 0)
        return;
    view->Shapes().AddTrackPoint(TrackPoint{frame, x, y});
    view->ShapesEdited();
    // On to the next frame, as long as there is one.
    if (active && m_pFrame->Navigator() && frame + 1 < doc->m_nFrameCount)
        m_pFrame->Navigator()->ShowFrame(frame + 1);
}

std::optional<Scale> MeasureTools::ScaleOf(const CVornDoc& doc) {
    auto found = m_scales.find(&doc);
    if (found == m_scales.end())
        found = m_scales.emplace(&doc, ReadRecordingScale(PathOf(doc))).first;
    return found->second;
}

void MeasureTools::SetScale(CVornDoc& doc, const std::optional<Scale>& scale) {
    WriteRecordingScale(PathOf(doc), scale);
    m_scales[&doc] = scale;
    ApplyScaleBar(&doc);
    m_pDockContents->Refresh();
    UpdateActions();
}

void MeasureTools::OnSetScale() {
    CVornView* view = ActiveView();
    const Shape* selected = SelectedShape();
    if (!view || !view->GetDocument() || !selected || selected->kind != ShapeKind::Line)
        return;
    const double pixels = LineLength(ShapeLine(*selected));
    CVornDoc& doc = *view->GetDocument();
    const std::optional<Scale> current = ScaleOf(doc);
    const std::optional<Scale> chosen = m_scaleDialog ? m_scaleDialog(m_pFrame, pixels, current)
                                                      : RunScaleDialog(m_pFrame, pixels, current);
    // The dialog ran an event loop: the window may have gone meanwhile.
    if (chosen && view == ActiveView())
        SetScale(doc, chosen);
}

void MeasureTools::OnClearScale() {
    if (CVornView* view = ActiveView(); view && view->GetDocument())
        SetScale(*view->GetDocument(), std::nullopt);
}

void MeasureTools::OnPlotOverTime() {
    const Shape* selected = SelectedShape();
    if (selected && selected->IsRegion())
        OpenPlotOverTime(m_pFrame->MDIGetActive(), ShapeRegion(*selected));
}

void MeasureTools::OnLineProfile() {
    const Shape* selected = SelectedShape();
    if (selected && selected->kind == ShapeKind::Line)
        OpenLineProfile(m_pFrame->MDIGetActive(), ShapeLine(*selected));
}

void MeasureTools::OnDeleteShape() {
    if (CVornView* view = ActiveView())
        view->DeleteSelectedShape();
}

void MeasureTools::OnNewTrack() {
    if (CVornView* view = ActiveView()) {
        view->Shapes().NewTrack();
        view->ShapesEdited();
    }
}

void MeasureTools::OnClearTracks() {
    if (CVornView* view = ActiveView()) {
        view->Shapes().ClearTracks();
        view->ShapesEdited();
    }
}
