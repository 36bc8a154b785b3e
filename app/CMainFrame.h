// SPDX-License-Identifier: BSD-3-Clause
// The main MDI window: menus, toolbar, the conversion bar band, status bar,
// the recording windows, and the playback and conversion runs.
//
// The shell part lives in CMainFrame.cpp; the conversion bar's state, idle
// updates and runs live in MainFrameConversion.cpp.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <climits>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QResizeEvent;
class QPrinter;
class RecentFileList;
class QMdiArea;
class QMenu;
class QStatusBar;
class QToolBar;
class CChildFrame;
class CCmdUI;
class ConversionBar;
class CVornDoc;
class CVornView;
class DocTemplate;
class FrameNavigator;
class MeasureTools;
class TimeAxis;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Reads "Settings/BitSel"; restores "Settings/InitPlacement" when shown
    // through ShowWithPlacement.
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // ---- Shell (CMainFrame.cpp) ----

    // The active recording window and its document (may be null).
    CChildFrame* MDIGetActive() const;
    CVornDoc* GetActiveDocument() const;
    QMdiArea* MdiArea() const { return m_pMdiArea; }

    // Opens a recording (or activates its window when it is already open).
    // On failure shows "Cannot open <name>: <reason>." through the message
    // sink and returns false; no window remains.
    bool OpenDocumentFile(const QString& path);

    // Where user-facing error messages go; a modal QMessageBox by default.
    // Tests inject a sink so they never block.
    using MessageSink = std::function<void(const QString& text)>;
    void SetMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    void ShowMessage(const QString& text) const;

    // Placement of the main window, "Settings/InitPlacement". RestorePlacement
    // applies the stored normal rectangle before the window is shown and
    // returns the stored show command (0 when nothing is stored);
    // ShowWithCommand then shows the window in that state.
    void SavePlacement() const;
    int RestorePlacement();
    void ShowWithCommand(int nCmdShow);
    // The window frame around the client area (title bar, borders).
    QMargins FrameMargins() const;

    // Dialogs, replaceable so tests never block. The open dialog returns the
    // chosen path or an empty string; the page setup dialog returns true when
    // accepted.
    // The Open dialog starts in the active recording's folder, else in the
    // folder last opened from (empty: the current folder).
    QString OpenDialogFolder() const;
    using OpenDialog = std::function<QString(QWidget* parent)>;
    void SetOpenDialog(OpenDialog dialog) { m_openDialog = std::move(dialog); }
    using PageSetupDialog = std::function<bool(QWidget* parent, QPrinter& printer)>;
    void SetPageSetupDialog(PageSetupDialog dialog) { m_pageSetupDialog = std::move(dialog); }
    using AboutDialog = std::function<void(QWidget* parent)>;
    void SetAboutDialog(AboutDialog dialog) { m_aboutDialog = std::move(dialog); }

    // Commands of the menus, toolbar and accelerators.
    void OnFileOpen();
    void OnFileClose();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnAppAbout();
    void OnWindowNew();
    void OnWindowArrange();
    void OnOpenRecentFile(int index);

    // Opens `path`, prints its first frame on `printer` and closes it again
    // (command-line printing). False when it cannot be opened or printed.
    bool PrintDocumentFile(const QString& path, QPrinter& printer);

    // The printer that Print Setup configures and Print uses.
    QPrinter& Printer();

    // The action of command `id` (QAction::data), from menus, toolbar and
    // accelerators; the toolbar's own Open and convert actions excepted.
    QAction* Action(int id) const;
    // 128 while no recording is open, 129 while one is.
    int CurrentMenuId() const { return m_nCurrentMenu; }
    RecentFileList& RecentFiles() { return *m_pRecentFiles; }
    DocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    // Captions and menus that follow the open windows.
    void UpdateFrameTitle();
    void UpdateMenuForDocuments();
    void UpdateWindowMenu();
    void UpdateRecentFileMenu();

    // ---- Conversion bar (MainFrameConversion.cpp) ----

    // The save dialog of a conversion: given the proposed base name, returns
    // the chosen path or an empty string when cancelled. A QFileDialog by
    // default; tests inject one.
    using SaveDialog = std::function<QString(QWidget* parent, const QString& proposedName)>;
    void SetSaveDialog(SaveDialog dialog) { m_saveDialog = std::move(dialog); }

    void OnConvert();
    void OnUpdateConvert(CCmdUI* pCmdUI);
    void OnBarCommand(int nID);
    void OnUpdateBar(CCmdUI* pCmdUI);
    void SelectRangeMode(int mode);
    void EnableBarControls(bool bEnable);
    void PumpMessages();

    // One idle cycle: OnUpdateBar for 1000..1010 and OnUpdateConvert for the
    // convert command. Called when the event loop is about to wait, never
    // inside a run.
    void OnIdle();

    // A run driven from elsewhere (an export on a worker thread): BeginRun
    // takes the run state as the bar's runs do (busy, abort cleared, bar
    // controls disabled), EndRun gives it back and carries out the closes
    // deferred meanwhile.
    void BeginRun(CVornDoc* doc);
    void EndRun();

    // True while a run uses `doc`: its windows must not be closed now.
    bool IsRunUsing(const CVornDoc* doc) const;

    // A close of the main window or of the running document's window during a
    // run aborts the run and is carried out once it has ended.
    void RequestCloseAfterRun(CChildFrame* frame);

    ConversionBar* DlgBar() const { return m_wndDlgBar; }

    // The status bar's message pane. A line set here (a run's result, notes
    // on an opened recording) stays until the next run or until a command
    // prompt replaces it; the empty line shows "Ready".
    void SetStatusLine(const QString& line);
    QString StatusLine() const;

    // Window > "More Windows...": given the titles of all windows and the
    // active one's index, returns the index chosen or -1. A list dialog by
    // default; tests inject one.
    using WindowListDialog =
        std::function<int(QWidget* parent, const QStringList& titles, int current)>;
    void SetWindowListDialog(WindowListDialog dialog) { m_windowListDialog = std::move(dialog); }
    void OnWindowMore();

    // "Settings/PreviewPages": the pages print preview shows (1 or 2; 0 when
    // never chosen, shown as 1), stored back when the preview closes.
    int m_nNumPreviewPages = 0;

    // ---- Navigation and paced playback (MainFramePlayback.cpp) ----

    // Plays frames first..limit-1 of `doc`, beginning at `start`, at the
    // frame bar's speed, looping when it says so; a run like any other.
    void PlayFrames(CVornDoc* doc, int first, int limit, int start);
    FrameNavigator* Navigator() const { return m_pNavigator; }
    // Recording rates, the time pane, Go to Trigger and Synchronize Views.
    TimeAxis* Time() const { return m_pTimeAxis; }
    // The Tools menu and toolbar, the Measurements dock and the scale.
    MeasureTools* Measure() const { return m_pMeasure; }

    // Conversion state, in this order.
    CChildFrame* m_pTrackedFrame = nullptr;
    QPointer<CChildFrame> m_hTrackedFrame; // tests whether the window still exists
    CVornDoc* m_pTrackedDoc = nullptr;
    int m_nRangeMode = -1;
    int m_nStartFrame = 0;
    int m_nEndFrame = 0;
    int m_bAbort = 0;
    int m_bBusy = 0;
    int m_nBitSel = 1;

    // The bars. The toolbar and the conversion bar sit in two movable bands
    // of the top area (the rebar).
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QToolBar* m_wndReBar = nullptr; // band holding the conversion bar
    ConversionBar* m_wndDlgBar = nullptr;

    // Actions the conversion code enables and disables. The toolbar has its
    // own Open and convert actions: a run disables the toolbar buttons only,
    // File > Open stays available.
    QAction* m_pActConvert = nullptr;     // File > Save (32771), Ctrl+S
    QAction* m_pToolOpen = nullptr;       // toolbar Open (57601)
    QAction* m_pToolConvert = nullptr;    // toolbar convert (32771)

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Conversion bar helpers (MainFrameConversion.cpp).
    void InitConversionBar();          // creates m_wndDlgBar, connects its commands
    void InstallIdleHook();            // calls OnIdle when the event loop is about to block
    void FinishRun();                  // after a run: carry out deferred closes
    // How a run ended: frames done, the last of them, the frame whose
    // RenderFrame failed (kNoFrame when none), or an abort before the end.
    static constexpr int kNoFrame = INT_MIN;
    struct RunOutcome {
        int done = 0;
        int lastDone = kNoFrame;
        int failedFrame = kNoFrame;
        bool aborted = false;
    };
    RunOutcome RunFrames(CVornDoc* doc, int first, int limit,
                         const std::function<int(int)>& render);
    void ReportRun(const CVornDoc& doc, const RunOutcome& outcome, const std::string& failedFile);
    QString m_strLastConvertFolder;    // folder of this session's last conversion
    WindowListDialog m_windowListDialog;

    CVornDoc* m_pRunDoc = nullptr;     // document of the run in progress
    bool m_bCloseAfterRun = false;     // main window close deferred by a run
    QList<QPointer<CChildFrame>> m_deferredChildCloses;
    SaveDialog m_saveDialog;
    bool m_bInIdle = false;            // OnIdle is running (no nesting)

    // Shell members (CMainFrame.cpp).
    QMdiArea* m_pMdiArea = nullptr;
    DocTemplate* m_pDocTemplate = nullptr;
    MessageSink m_messageSink;
    // (shell helper members are added here by the shell code)
    OpenDialog m_openDialog;
    QString m_strLastOpenFolder;
    PageSetupDialog m_pageSetupDialog;
    AboutDialog m_aboutDialog;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<RecentFileList> m_pRecentFiles;
    int m_nCurrentMenu = 128;

    QList<QMenu*> m_menus128; // File, View, Help
    QList<QMenu*> m_menus129; // File, Edit, View, Window, Help
    QMenu* m_pWindowMenu = nullptr;
    QList<QAction*> m_windowListActions;
    QAction* m_pActRecentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    QAction* m_pActToolbar = nullptr;
    QAction* m_pActStatusBar = nullptr;
    QAction* m_pActOpen = nullptr;

    void CreateActions();
    void CreateRecentFileActions();
    void CreateWindowKeys();
    void CloseActiveWindow();
    void NextWindow();
    void PreviousWindow();
    void CreateMenus();
    QMenu* CreateFileMenu(bool documentMenu);
    QMenu* CreateViewMenu();
    QMenu* CreateHelpMenu();
    void CreateToolBar();
    void CreateStatusBar();
    void PlaceBars();
    void OnSubWindowActivated();
    void CloseDocumentWindows(CVornDoc* doc);
    CChildFrame* NewFrame(CVornDoc* doc);

    void WrapBands();
    void InitNavigation(); // creates m_pNavigator and its menu items
    FrameNavigator* m_pNavigator = nullptr;
    TimeAxis* m_pTimeAxis = nullptr;
    MeasureTools* m_pMeasure = nullptr;

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
