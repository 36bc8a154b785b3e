// SPDX-License-Identifier: BSD-3-Clause
// The command line and the hand-over of files to a running program.
#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QUuid>

#include <gtest/gtest.h>

#include <future>

namespace {
QString UniqueName() {
    return "quorvane-test-" + QUuid::createUuid().toString(QUuid::Id128);
}

// Runs the event loop until `done` or two seconds have passed.
template <typename Done> bool SpinUntil(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}
} // namespace

TEST(ShellCommandLine, FilesPrintFormsAndLanguage) {
    CCommandLineInfo none = ParseCommandLine({});
    EXPECT_EQ(none.m_nShellCommand, CCommandLineInfo::FileNew);

    // An absolute POSIX path is a file, not a switch.
    CCommandLineInfo open = ParseCommandLine({"/data/a.vrn", "b.vrn", "--lang", "ja"});
    EXPECT_EQ(open.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(open.m_files, (QStringList{"/data/a.vrn", "b.vrn"}));
    EXPECT_EQ(open.m_strLanguage, "ja");

    CCommandLineInfo print = ParseCommandLine({"/p", "/data/a.vrn"});
    EXPECT_EQ(print.m_nShellCommand, CCommandLineInfo::FilePrint);
    EXPECT_EQ(print.m_files, QStringList{"/data/a.vrn"});
    EXPECT_EQ(ParseCommandLine({"--print", "x.vrn"}).m_nShellCommand, CCommandLineInfo::FilePrint);

    CCommandLineInfo printTo = ParseCommandLine({"/pt", "a.vrn", "Office", "driver", "port"});
    EXPECT_EQ(printTo.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_EQ(printTo.m_files, QStringList{"a.vrn"});
    EXPECT_EQ(printTo.m_strPrinterName, "Office");
    EXPECT_TRUE(printTo.m_strError.isEmpty());

    EXPECT_EQ(ParseCommandLine({"--lang=en"}).m_strLanguage, "en");
    EXPECT_FALSE(ParseCommandLine({"--lang", "fr"}).m_strError.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"--print"}).m_strError.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"/p"}).m_strError.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"/pt", "a.vrn"}).m_strError.isEmpty());
    EXPECT_EQ(ParseCommandLine({"--", "--lang"}).m_files, QStringList{"--lang"});

    // The shell's dash forms, the toolkit's own options, and what is not known.
    EXPECT_EQ(ParseCommandLine({"-PT", "a.vrn", "Office"}).m_strPrinterName, "Office");
    EXPECT_EQ(ParseCommandLine({"-platform", "offscreen", "a.vrn"}).m_files, QStringList{"a.vrn"});
    EXPECT_TRUE(ParseCommandLine({"--version"}).m_bShowVersion);
    EXPECT_TRUE(ParseCommandLine({"-h"}).m_bShowHelp);
    EXPECT_EQ(ParseCommandLine({"--frob=1"}).m_strError, "unknown option '--frob=1'");
    EXPECT_EQ(ParseCommandLine({"/p", "--", "/pt"}).m_files, QStringList{"/pt"});
}

TEST(ShellSingleInstance, ASecondInstanceHandsItsFilesToTheFirst) {
    const QString name = UniqueName();
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QStringList received;
    QObject::connect(&first, &SingleInstance::filesReceived,
                     [&](const QStringList& files) { received = files; });

    // The sender waits for the answer, so it runs beside the event loop.
    std::future<bool> sent = std::async(std::launch::async, [name] {
        SingleInstance second(name);
        return second.SendToRunning({"relative.vrn", "/abs/other.vrn"});
    });
    ASSERT_TRUE(SpinUntil(
        [&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(sent.get());
    EXPECT_EQ(received,
              (QStringList{QDir::current().absoluteFilePath("relative.vrn"), "/abs/other.vrn"}));

    // A third start cannot take the name while the first answers on it.
    SingleInstance third(name);
    EXPECT_FALSE(third.Listen());
}

TEST(ShellSingleInstance, NoRunningProgramMeansNoHandOver) {
    SingleInstance alone(UniqueName());
    EXPECT_FALSE(alone.SendToRunning({"a.vrn"}, 200));
    EXPECT_TRUE(alone.Listen());
}

TEST(ShellSingleInstance, OversizedOrGarbledMessagesAreDropped) {
    const QString name = UniqueName();
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    int received = 0;
    QObject::connect(&first, &SingleInstance::filesReceived,
                     [&](const QStringList&) { ++received; });

    QLocalSocket huge;
    huge.connectToServer(name);
    ASSERT_TRUE(huge.waitForConnected(1000));
    huge.write(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(64, 'x'));
    huge.flush();
    EXPECT_TRUE(SpinUntil([&] { return huge.state() == QLocalSocket::UnconnectedState; }));

    QLocalSocket garbled;
    garbled.connectToServer(name);
    ASSERT_TRUE(garbled.waitForConnected(1000));
    garbled.write(QByteArray("\x00\x00\x00\x02", 4) + QByteArray("\x7f\x7f", 2));
    garbled.flush();
    EXPECT_TRUE(SpinUntil([&] { return garbled.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(received, 0);
}
