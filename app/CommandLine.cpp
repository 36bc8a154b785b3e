#include "app/CommandLine.h"

namespace {
bool IsSwitch(const QString& arg, const char* name) {
    const QString word = QString::fromLatin1(name);
    return arg.compare(QLatin1Char('/') + word, Qt::CaseInsensitive) == 0 ||
           arg.compare(QLatin1Char('-') + word, Qt::CaseInsensitive) == 0;
}

// Any other word starting with '-' is an option we do not know; a word
// starting with '/' is a path unless it is one of the switches above.
bool IsOption(const QString& arg) {
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-'));
}
} // namespace

CCommandLineInfo ParseCommandLine(const QStringList& arguments) {
    CCommandLineInfo info;
    bool printerExpected = false;
    int extraPrintToWords = 0; // driver and port after the printer are ignored
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && IsSwitch(arg, "p")) {
            info.m_nShellCommand = CCommandLineInfo::FilePrint;
        } else if (!optionsEnded && IsSwitch(arg, "pt")) {
            info.m_nShellCommand = CCommandLineInfo::FilePrintTo;
            printerExpected = true;
        } else if (!optionsEnded && IsSwitch(arg, "dde")) {
            // No DDE conversation on this platform; files come as arguments.
        } else if (!optionsEnded && (arg == QLatin1String("--print"))) {
            if (i + 1 >= arguments.size()) {
                info.m_strError = QStringLiteral("--print needs a file");
                return info;
            }
            info.m_nShellCommand = CCommandLineInfo::FilePrint;
            info.m_files.prepend(arguments[++i]);
        } else if (!optionsEnded &&
                   (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang=")))) {
            const QString value = arg.contains(QLatin1Char('='))
                                      ? arg.section(QLatin1Char('='), 1)
                                      : (i + 1 < arguments.size() ? arguments[++i] : QString());
            if (value != QLatin1String("ja") && value != QLatin1String("en")) {
                info.m_strError = QStringLiteral("--lang takes ja or en");
                return info;
            }
            info.m_strLanguage = value;
        } else if (!optionsEnded &&
                   (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            info.m_bShowHelp = true;
        } else if (!optionsEnded && IsOption(arg)) {
            // Unknown switches are ignored, as the shell may pass its own.
        } else if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo &&
                   !info.m_files.isEmpty() && printerExpected) {
            info.m_strPrinterName = arg;
            printerExpected = false;
            extraPrintToWords = 2;
        } else if (extraPrintToWords > 0) {
            --extraPrintToWords;
        } else {
            info.m_files.append(arg);
            if (info.m_nShellCommand == CCommandLineInfo::FileNew)
                info.m_nShellCommand = CCommandLineInfo::FileOpen;
        }
    }
    if ((info.m_nShellCommand == CCommandLineInfo::FilePrint ||
         info.m_nShellCommand == CCommandLineInfo::FilePrintTo) &&
        info.m_files.isEmpty())
        info.m_strError = QStringLiteral("nothing to print: a file is missing");
    else if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo && printerExpected)
        info.m_strError = QStringLiteral("/pt needs a file and a printer");
    return info;
}

QString CommandLineUsage() {
    return QStringLiteral(
        "Usage: quorvane [--lang ja|en] [FILE...]\n"
        "       quorvane /p FILE | --print FILE\n"
        "       quorvane /pt FILE PRINTER\n"
        "Opens VORN recordings (.vrn); the print forms print the first frame and exit.\n");
}
