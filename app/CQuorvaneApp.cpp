// SPDX-License-Identifier: BSD-3-Clause
#include "app/CQuorvaneApp.h"

#include "app/CMainFrame.h"
#include "app/Language.h"
#include "app/Profile.h"
#include "app/ShellRegistration.h"
#include "app/SingleInstance.h"

#include <QLocale>
#include <QPrinter>

#include <cstdio>

CQuorvaneApp::CQuorvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QString::fromLatin1(kProfileCompany));
    setApplicationName(QString::fromLatin1(kProfileApplication));
    setApplicationVersion(QStringLiteral("1.1"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvane.png")));
}

// The hand-over socket and the main window go while the application object
// still runs: first no more files arrive, then the windows close.
CQuorvaneApp::~CQuorvaneApp() {
    m_pSingleInstance.reset();
    m_pMainWndOwner.reset();
}

bool CQuorvaneApp::InitInstance() {
    const CCommandLineInfo info = ParseCommandLine(arguments().mid(1));
    if (const int status = ReportCommandLine(info, applicationVersion()); status >= 0) {
        m_nExitCode = status;
        return false;
    }
    InstallLanguage(*this, ChooseJapanese(info.m_strLanguage, QLocale::system().uiLanguages()));

    // A running program takes the files and shows them itself.
    m_pSingleInstance = std::make_unique<SingleInstance>(SingleInstance::DefaultServerName());
    if (info.m_nShellCommand == CCommandLineInfo::FileOpen &&
        m_pSingleInstance->SendToRunning(info.m_files)) {
        m_nExitCode = 0;
        return false;
    }

    m_pMainWndOwner = std::make_unique<CMainFrame>();
    m_pMainWnd = m_pMainWndOwner.get();
    if (const int stored = m_pMainWnd->RestorePlacement(); stored != 0)
        m_nCmdShow = stored;
    RegisterShellFileTypes(applicationFilePath());

    const bool printing = info.m_nShellCommand == CCommandLineInfo::FilePrint ||
                          info.m_nShellCommand == CCommandLineInfo::FilePrintTo;
    if (!printing && m_pSingleInstance->Listen()) {
        connect(m_pSingleInstance.get(), &SingleInstance::filesReceived, m_pMainWnd,
                [frame = m_pMainWnd](const QStringList& files) {
                    frame->ShowWithCommand(frame->isMinimized() ? 9 : 5);
                    frame->raise();
                    frame->activateWindow();
                    for (const QString& file : files)
                        frame->OpenDocumentFile(file);
                });
    }
    // Printing from the command line has nobody to answer a message box:
    // its reports go to standard error.
    if (printing) {
        m_pMainWnd->SetMessageSink(
            [](const QString& text) { std::fprintf(stderr, "quorvane: %s\n", qPrintable(text)); });
    }
    if (!ProcessShellCommand(*m_pMainWnd, info, &m_nExitCode))
        return false;
    m_pMainWnd->ShowWithCommand(m_nCmdShow);
    return true;
}

bool ProcessShellCommand(CMainFrame& frame, const CCommandLineInfo& info, int* exitCode) {
    *exitCode = 0;
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        return true;
    case CCommandLineInfo::FileOpen: {
        // Each file that cannot be opened says so; the program ends only when
        // none of them could be opened.
        bool any = false;
        for (const QString& file : info.m_files)
            any = frame.OpenDocumentFile(file) || any;
        if (!any)
            *exitCode = 1;
        return any;
    }
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
        QPrinter& printer = frame.Printer();
        if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo)
            printer.setPrinterName(info.m_strPrinterName);
        // Printing is the whole job: the program ends afterwards.
        *exitCode = frame.PrintDocumentFile(info.m_files.value(0), printer) ? 0 : 1;
        return false;
    }
    }
    return true;
}
