// SPDX-License-Identifier: BSD-3-Clause
#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstdio>

namespace {
// The shell's switches may come as /p, /pt, /dde or with a dash. On POSIX an
// absolute path starts with '/', so only these exact words are switches.
QString ShellSwitch(const QString& arg) {
    for (const char* name : {"p", "pt", "dde"}) {
        const QString word = QString::fromLatin1(name);
        if (arg.compare(QLatin1Char('/') + word, Qt::CaseInsensitive) == 0 ||
            arg.compare(QLatin1Char('-') + word, Qt::CaseInsensitive) == 0)
            return QStringLiteral("-") + word;
    }
    return {};
}

// Options the Qt platform layer takes for itself (it removes them before we
// see arguments(), but the early parse before the application exists sees them).
const QStringList& ToolkitValueOptions() {
    static const QStringList names{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowtitle"),
        QStringLiteral("qwindowicon"),     QStringLiteral("style"),
        QStringLiteral("stylesheet"),      QStringLiteral("session"),
        QStringLiteral("display"),         QStringLiteral("name")};
    return names;
}

const QStringList& ToolkitFlags() {
    static const QStringList names{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"), QStringLiteral("dograb"),
                                   QStringLiteral("sync")};
    return names;
}

QCommandLineOption Hidden(QCommandLineOption option) {
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// Shell forms: "/p FILE...", "/pt FILE PRINTER [DRIVER PORT]".
void TakeShellForms(const QCommandLineParser& parser, CCommandLineInfo& info) {
    QStringList words = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("pt"))) {
        info.m_nShellCommand = CCommandLineInfo::FilePrintTo;
        if (words.size() < 2) {
            info.m_strError = words.isEmpty() ? QStringLiteral("nothing to print: a file is missing")
                                              : QStringLiteral("/pt needs a file and a printer");
            return;
        }
        info.m_files = QStringList{words[0]}; // a driver and port after the printer are ignored
        info.m_strPrinterName = words[1];
        return;
    }
    if (parser.isSet(QStringLiteral("print")))
        words.prepend(parser.value(QStringLiteral("print")));
    info.m_files = words;
    if (parser.isSet(QStringLiteral("print")) || parser.isSet(QStringLiteral("p")))
        info.m_nShellCommand = CCommandLineInfo::FilePrint;
    else if (!words.isEmpty())
        info.m_nShellCommand = CCommandLineInfo::FileOpen;
    if (info.m_nShellCommand == CCommandLineInfo::FilePrint && info.m_files.isEmpty())
        info.m_strError = QStringLiteral("nothing to print: a file is missing");
}
// "unknown option '--frob'" with the word as typed; the parser's own text
// otherwise, in the same lower-case form.
QString ParseErrorText(const QCommandLineParser& parser, const QStringList& words) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        for (const QString& word : words) {
            QString name = word;
            while (name.startsWith(QLatin1Char('-')))
                name.remove(0, 1);
            if (word.startsWith(QLatin1Char('-')) && name.section(QLatin1Char('='), 0, 0) == unknown[0])
                return QStringLiteral("unknown option '%1'").arg(word);
        }
        return QStringLiteral("unknown option '%1'").arg(unknown[0]);
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}
} // namespace

CCommandLineInfo ParseCommandLine(const QStringList& arguments) {
    QStringList words{QStringLiteral("quorvane")};
    bool optionsEnded = false;
    for (const QString& arg : arguments) {
        optionsEnded = optionsEnded || arg == QLatin1String("--");
        const QString shell = optionsEnded ? QString() : ShellSwitch(arg);
        words.append(shell.isEmpty() ? arg : shell);
    }

    QCommandLineParser parser;
    // "-pt" is one switch, as the shell writes it, not -p -t.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                      QStringLiteral("help")});
    parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("version")});
    parser.addOption({QStringLiteral("lang"), QStringLiteral("language"), QStringLiteral("LANG")});
    parser.addOption({QStringLiteral("print"), QStringLiteral("print"), QStringLiteral("FILE")});
    for (const char* name : {"p", "pt", "dde"})
        parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name), QString())));
    for (const QString& name : ToolkitValueOptions())
        parser.addOption(Hidden(QCommandLineOption(name, QString(), QStringLiteral("VALUE"))));
    for (const QString& name : ToolkitFlags())
        parser.addOption(Hidden(QCommandLineOption(name, QString())));

    CCommandLineInfo info;
    if (!parser.parse(words)) {
        info.m_strError = ParseErrorText(parser, words);
        return info;
    }
    info.m_bShowHelp = parser.isSet(QStringLiteral("help"));
    info.m_bShowVersion = parser.isSet(QStringLiteral("version"));
    if (parser.isSet(QStringLiteral("lang"))) {
        info.m_strLanguage = parser.value(QStringLiteral("lang"));
        if (info.m_strLanguage != QLatin1String("ja") && info.m_strLanguage != QLatin1String("en")) {
            info.m_strError = QStringLiteral("--lang takes ja or en");
            return info;
        }
    }
    TakeShellForms(parser, info);
    return info;
}

QString CommandLineUsageLine() {
    return QStringLiteral(
        "Usage: quorvane [--lang ja|en] [FILE...] | /p FILE | /pt FILE PRINTER\n");
}

QString CommandLineUsage() {
    return CommandLineUsageLine() +
           QStringLiteral(
               "Views VORN recordings (.vrn) and converts them into TIFF sequences.\n"
               "\n"
               "Options:\n"
               "  --lang ja|en      user interface language (default: from the system locale)\n"
               "  /p FILE, --print FILE\n"
               "                    print the first frame of FILE on the default printer, then exit\n"
               "  /pt FILE PRINTER  print it on PRINTER, then exit\n"
               "  -h, --help        show this help and exit\n"
               "  -v, --version     show the version and exit\n"
               "\n"
               "Each FILE opens in its own window; a running viewer takes them over.\n");
}

int ReportCommandLine(const CCommandLineInfo& info, const QString& version) {
    if (!info.m_strError.isEmpty()) {
        std::fprintf(stderr, "quorvane: %s\n%sRun 'quorvane --help'\n", qPrintable(info.m_strError),
                     qPrintable(CommandLineUsageLine()));
        return 2;
    }
    if (info.m_bShowHelp) {
        std::fputs(qPrintable(CommandLineUsage()), stdout);
        return 0;
    }
    if (info.m_bShowVersion) {
        std::printf("quorvane %s\n", qPrintable(version));
        return 0;
    }
    return -1;
}
