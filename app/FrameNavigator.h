// SPDX-License-Identifier: BSD-3-Clause
// Navigation of the active recording: the frame keys of the view, the frame
// bar, Go to Frame, the zoom and display range commands, the pixel readout
// and playback rate panes of the status bar, and the Properties command. It
// belongs to the main frame and, like the conversion bar, always works on
// the active recording window. Every frame it shows goes through the
// document's RenderFrame.
#pragma once

#include "image/DisplayLut.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class CChildFrame;
class CMainFrame;
class CVornDoc;
class CVornView;
class FrameBar;
class PropertiesDialog;
class QAction;
class QActionGroup;
class QDialog;
class QLabel;
class QMenu;
class QToolBar;

class FrameNavigator : public QObject {
    Q_OBJECT

public:
    explicit FrameNavigator(CMainFrame* frame);

    // Adds the commands to the document menus' File and View popups.
    void AddMenuItems(QMenu* fileMenu, QMenu* viewMenu);

    // The bar and panes follow a run: disabled while it lasts.
    void EnableDuringRun(bool enable);

    // Shows frame `index` of the active recording (clamped to 0..N-1);
    // nothing during a run. False when nothing was shown.
    bool ShowFrame(int index);
    // The active recording's frame shown (its reader's position), or -1.
    int CurrentFrame() const;
    // The frame the user is at: the one shown, or the one last asked for
    // when it could not be read. Steps and playback start from it.
    int PositionFrame() const;

    // Space: plays from the frame shown to the end of the bar's range.
    void PlayFromCurrent();

    // Playback settings, remembered under "View".
    int Rate() const;
    bool Loop() const;
    void SetRate(int framesPerSecond);
    void SetLoop(bool loop);

    // The display range of the active recording; the mode is remembered.
    void SetDisplayRange(const DisplayRange& range);

    // During a playback: the rate achieved, shown as "412 fps".
    void ShowAchievedRate(double framesPerSecond);
    // The rate pane is emptied when a playback ends.
    void SetPlaying(bool playing);
    bool IsPlaying() const { return m_bPlaying; }

    // Commands.
    void OnGoToFrame();
    void OnProperties();
    void OnCustomRange();

    // Modal dialogs (Properties, Custom range) go through this runner;
    // exec() unless replaced. Tests install their own so nothing blocks.
    using DialogRunner = std::function<int(QDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }
    // Adds to every Properties dialog before it runs (the rate fields).
    using PropertiesExtension = std::function<void(PropertiesDialog& dialog, CVornDoc& doc)>;
    void SetPropertiesExtension(PropertiesExtension extension) {
        m_propertiesExtension = std::move(extension);
    }

    FrameBar* Bar() const { return m_pBar; }
    QToolBar* Band() const { return m_pBand; }
    QLabel* ReadoutPane() const { return m_pReadout; }
    QLabel* RatePane() const { return m_pRatePane; }
    QAction* GoToFrameAction() const { return m_pActGoTo; }
    QAction* PropertiesAction() const { return m_pActProperties; }
    QList<QAction*> ZoomActions() const;  // Fit, Actual Size, Zoom In, Zoom Out
    QList<QAction*> RangeActions() const; // Standard, Auto, Auto %, Custom

    // Text of the readout pane for a pixel: "x 123, y 45: 612".
    static QString ReadoutText(int x, int y, int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateBand();
    void CreatePanes();
    void ReadSettings();
    void OnActivated();
    void SyncBar();
    void UpdateActions();
    void OnSliderMoved(int frame);
    void ShowPendingSliderFrame();
    bool HandleKey(int key);
    // The frame keys reach the frame from every control of the frame bar.
    void WatchBarKeys();
    static bool FieldNeedsKey(const QObject* control, int key);
    // Gives the keyboard back to the active view.
    void FocusView();
    void WrapBand();
    void ApplyRememberedRange(CVornDoc* doc);
    void OnReadout(bool inside, int x, int y, int value);
    CVornView* ActiveView() const;
    int RunDialog(QDialog& dialog);

    CMainFrame* m_pFrame;
    FrameBar* m_pBar = nullptr;
    QToolBar* m_pBand = nullptr;
    QLabel* m_pReadout = nullptr;
    QLabel* m_pRatePane = nullptr;
    QAction* m_pActGoTo = nullptr;
    QAction* m_pActProperties = nullptr;
    QAction* m_pActFit = nullptr;
    QAction* m_pActActual = nullptr;
    QAction* m_pActZoomIn = nullptr;
    QAction* m_pActZoomOut = nullptr;
    QAction* m_pActAbortRun = nullptr; // Escape during a run
    QActionGroup* m_pRangeGroup = nullptr;
    QList<QAction*> m_rangeActions;
    QMenu* m_pRangeMenu = nullptr;

    QPointer<CChildFrame> m_pActiveFrame;
    const CVornDoc* m_pAskedDoc = nullptr; // whose frame m_nAskedFrame is
    int m_nAskedFrame = -1;
    std::vector<const CVornDoc*> m_rangedDocs; // documents given the remembered range
    DisplayRange m_rememberedRange;
    int m_nPendingSlider = -1;
    bool m_bSliderScheduled = false;
    bool m_bPlaying = false;
    bool m_bRunEnabled = true;
    DialogRunner m_dialogRunner;
    PropertiesExtension m_propertiesExtension;
};
