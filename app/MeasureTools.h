// SPDX-License-Identifier: BSD-3-Clause
// Measuring in the viewer: the Tools menu and toolbar (Pointer, Rectangle,
// Ellipse, Line, Point; Track; plots of the selected shape; the spatial
// scale), View > Measurements (the dock) and View > Scale Bar. It belongs
// to the main frame and works on the active recording window; the shapes
// and tracks belong to each window's view, the scale to each recording
// (remembered beside its rate).
#pragma once

#include "display/CVornView.h"
#include "measure/Scale.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <optional>

class CMainFrame;
class CVornDoc;
class MeasureDock;
class QAction;
class QActionGroup;
class QDockWidget;
class QMenu;
class QToolBar;

class MeasureTools : public QObject {
    Q_OBJECT

public:
    explicit MeasureTools(CMainFrame* frame);
    ~MeasureTools() override;

    // The Tools popup of the document menu; View's own items.
    QMenu* ToolsMenu() const { return m_pMenu; }
    void AddViewItems(QMenu* viewMenu);
    QToolBar* ToolBar() const { return m_pToolBar; }
    QDockWidget* Dock() const { return m_pDock; }
    MeasureDock* DockContents() const { return m_pDockContents; }

    MeasureTool Tool() const { return m_tool; }
    void SetTool(MeasureTool tool);
    bool Tracking() const;
    void SetTracking(bool on);

    QAction* ToolAction(MeasureTool tool) const;
    QAction* TrackAction() const { return m_pActTrack; }
    QAction* DeleteAction() const { return m_pActDelete; }
    QAction* PlotAction() const { return m_pActPlot; }
    QAction* ProfileAction() const { return m_pActProfile; }
    QAction* ScaleAction() const { return m_pActScale; }
    QAction* ScaleBarAction() const { return m_pActScaleBar; }

    // The spatial scale of `doc` (none: not set); setting it remembers it
    // for the recording's file.
    std::optional<Scale> ScaleOf(const CVornDoc& doc);
    void SetScale(CVornDoc& doc, const std::optional<Scale>& scale);

    // Set Scale's dialog: given the selected line's length in pixels and the
    // scale in force, the new scale or none when cancelled. RunScaleDialog
    // unless replaced; tests inject their own.
    using ScaleDialog =
        std::function<std::optional<Scale>(QWidget* parent, double pixels,
                                           const std::optional<Scale>& current)>;
    void SetScaleDialog(ScaleDialog dialog) { m_scaleDialog = std::move(dialog); }

    // Commands.
    void OnSetScale();
    void OnClearScale();
    void OnPlotOverTime();
    void OnLineProfile();
    void OnDeleteShape();
    void OnNewTrack();
    void OnClearTracks();

private:
    QAction* NewAction(int id, const char* name, const char* text, const char* prompt);
    void CreateActions();
    void CreateCommands();
    void CreateMenu();
    void CreateToolBar();
    void CreateDock();
    void OnActivated();
    void OnViewTrackClicked(int x, int y); // from the view that sent it
    void OnTrackClicked(CVornView* view, int x, int y);
    void OnShapesChanged();
    void UpdateActions();
    void ApplyToViews();
    void ApplyScaleBar(const CVornDoc* doc);
    CVornView* ActiveView() const;
    const Shape* SelectedShape() const;

    CMainFrame* m_pFrame;
    QMenu* m_pMenu = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QDockWidget* m_pDock = nullptr;
    MeasureDock* m_pDockContents = nullptr;
    QActionGroup* m_pToolGroup = nullptr;
    QAction* m_pActTrack = nullptr;
    QAction* m_pActNewTrack = nullptr;
    QAction* m_pActClearTracks = nullptr;
    QAction* m_pActDelete = nullptr;
    QAction* m_pActPlot = nullptr;
    QAction* m_pActProfile = nullptr;
    QAction* m_pActScale = nullptr;
    QAction* m_pActClearScale = nullptr;
    QAction* m_pActScaleBar = nullptr;
    MeasureTool m_tool = MeasureTool::Pointer;
    QPointer<CVornView> m_pActiveView;
    ScaleDialog m_scaleDialog;
    std::map<const CVornDoc*, std::optional<Scale>> m_scales; // read once per document
    bool m_bDockShownOnce = false;
    bool m_bDockSized = false;
};
