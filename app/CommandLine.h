// SPDX-License-Identifier: BSD-3-Clause
// The command line: files to open, the print forms and the interface language.
//   quorvane [FILE...]            opens each file
//   quorvane /p FILE              prints the first frame on the default printer
//   quorvane /pt FILE PRINTER     prints it on PRINTER (a driver and port may follow)
//   quorvane --print FILE         as /p
//   quorvane --lang ja|en         forces the interface language
//   quorvane --help | --version
// On POSIX an absolute path starts with '/', so only the exact words "/p",
// "/pt" and "/dde" are taken as switches there.
#pragma once

#include <QString>
#include <QStringList>

struct CCommandLineInfo {
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo };

    ShellCommand m_nShellCommand = FileNew;
    QStringList m_files;      // the file to print comes first
    QString m_strPrinterName; // FilePrintTo
    QString m_strLanguage;    // "ja", "en" or empty
    bool m_bShowHelp = false;
    bool m_bShowVersion = false;
    QString m_strError; // set when the arguments cannot be used
};

// `arguments` without the program name.
CCommandLineInfo ParseCommandLine(const QStringList& arguments);

// Text shown for --help, and its first line, shown after a usage error.
QString CommandLineUsage();
QString CommandLineUsageLine();

// Answers --help, --version or a usage error on the standard streams and
// returns the exit status (0, or 2 for an error); -1 when start-up goes on.
int ReportCommandLine(const CCommandLineInfo& info, const QString& version);
