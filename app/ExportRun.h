// SPDX-License-Identifier: BSD-3-Clause
// File > Export... (Ctrl+E): the command, its dialog and the run. The export
// engine runs on a worker thread with a reader of its own, while the main
// frame is in a run as for a conversion: the bar's progress and Abort (and
// Escape) work, the event loop keeps the interface responsive, and the
// result ends up in the status bar.
#pragma once

#include "app/ExportDialog.h"

#include <QObject>

#include <functional>

class CMainFrame;
class CVornDoc;
class QAction;
class QMenu;

class ExportCommand : public QObject {
    Q_OBJECT

public:
    // Adds the command to `frame` and to `fileMenu` right after `after`.
    ExportCommand(CMainFrame* frame, QMenu* fileMenu, QAction* after);

    QAction* Action() const { return m_pAction; }

    // Runs the dialog; true when accepted. exec() unless replaced (tests fill
    // the dialog in and return without blocking).
    using DialogRunner = std::function<bool(ExportDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { m_runner = std::move(runner); }
    void SetBrowseDialog(ExportDialog::BrowseDialog browse) { m_browse = std::move(browse); }

    // The command: the dialog for the active recording, then the run.
    void OnExport();
    void UpdateAction();

    // Runs `request` as a run of the main frame and reports its end in the
    // status bar; returns the engine's summary.
    ExportSummary Run(CVornDoc* doc, const ExportRequest& request);

    // The status line of a finished export.
    static QString SummaryLine(const ExportSummary& summary);

private:
    ExportSetup SetupFor(CVornDoc& doc) const;

    CMainFrame* m_pFrame;
    QAction* m_pAction = nullptr;
    DialogRunner m_runner;
    ExportDialog::BrowseDialog m_browse;
};
