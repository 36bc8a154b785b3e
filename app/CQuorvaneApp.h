// SPDX-License-Identifier: BSD-3-Clause
// The application: language, profile, the main window, the command line and
// the hand-over of files to an already running program.
#pragma once

#include "app/CommandLine.h"

#include <QApplication>
#include <QPointer>

#include <memory>

class CMainFrame;
class SingleInstance;

// Carries out the command line's shell command on `frame`: opens the files,
// or prints the first frame of the file on frame.Printer(). True when start-up
// goes on; false when the program ends now with *exitCode (0 after printing,
// 1 when no file could be opened, or the file cannot be printed).
bool ProcessShellCommand(CMainFrame& frame, const CCommandLineInfo& info, int* exitCode);

class CQuorvaneApp : public QApplication {
    Q_OBJECT

public:
    CQuorvaneApp(int& argc, char** argv);
    ~CQuorvaneApp() override;

    // Start-up. False when the program should end now with ExitCode():
    // after command-line printing, after handing files to a running program,
    // or when a file on the command line cannot be opened.
    bool InitInstance();
    int ExitCode() const { return m_nExitCode; }

    CMainFrame* MainFrame() const { return m_pMainWnd; }

    int m_nCmdShow = 1; // show command for the main window

private:
    int m_nExitCode = 0;
    std::unique_ptr<CMainFrame> m_pMainWndOwner;
    CMainFrame* m_pMainWnd = nullptr;
    std::unique_ptr<SingleInstance> m_pSingleInstance;
};
