// SPDX-License-Identifier: BSD-3-Clause
// The stored placement cannot make the window unusable, the hand-over socket
// talks only to the same user, and a FIFO never freezes the window.
#include "ShellTestSupport.h"

#include "app/Profile.h"
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScreen>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

#include <future>

namespace {

QRect Restored(int32_t l, int32_t t, int32_t r, int32_t b, const QList<QRect>& screens,
               const QMargins& frame = {}) {
    WindowPlacement placement;
    placement.left = l, placement.top = t, placement.right = r, placement.bottom = b;
    return RestoredNormalRect(placement, screens, frame).value_or(QRect());
}

template <typename Done> bool SpinUntil(Done done, int ms = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QString SocketName() {
    return QDir::tempPath() + "/quorvane-test-" + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(ShellPlacementClamp, HugeOrStrayRectanglesAreFittedToTheirScreen) {
    const QList<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
    const QMargins title(0, 24, 0, 0);
    // In range: exactly as stored.
    EXPECT_EQ(Restored(22, 52, 822, 652, screens, title), QRect(22, 52, 800, 600));
    EXPECT_EQ(Restored(1300, 30, 2300, 760, screens, title), QRect(1300, 30, 1000, 730));
    // Too large: the whole available area of the screen it lands on.
    EXPECT_EQ(Restored(0, 0, 20000, 20000, screens, title), QRect(0, 24, 1280, 776));
    EXPECT_EQ(Restored(-16000, -16000, 16767, 16767, screens), QRect(0, 0, 1280, 800));
    EXPECT_EQ(Restored(1500, 100, 9000, 300, screens), QRect(1500, 100, 1024, 200));
    // Title bar above the screen: moved down. A window may hang off the
    // right or bottom edge while a corner of 128 x 128 stays on the screen.
    EXPECT_EQ(Restored(100, 0, 500, 300, screens, title), QRect(100, 24, 400, 300));
    EXPECT_EQ(Restored(1000, 600, 1400, 900, screens, title), QRect(1000, 600, 400, 300));
    EXPECT_EQ(Restored(1200, 700, 1300, 900, screens, title), QRect(1180, 672, 100, 200));
    EXPECT_EQ(Restored(-300, 100, 500, 400, screens, title), QRect(0, 100, 800, 300));
    // Never below the least size the window can have.
    WindowPlacement huge;
    huge.right = huge.bottom = 20000;
    EXPECT_EQ(RestoredNormalRect(huge, screens, {}, QSize(1500, 300)), QRect(0, 0, 1500, 800));
    // Off every screen: nothing, the default placement stays.
    EXPECT_EQ(Restored(5000, 5000, 5800, 5600, screens), QRect());
}

TEST_F(ShellTest, StoredGiantPlacementGivesAWindowOnTheScreen) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* stored :
         {"44,0,1,-1,-1,-1,-1,0,0,20000,20000", "44,0,1,-1,-1,-1,-1,-16000,-16000,16767,16767"}) {
        Profile().setValue("Settings/InitPlacement", stored);
        auto frame = MakeFrame();
        EXPECT_EQ(frame->RestorePlacement(), 1);
        frame->ShowWithCommand(1);
        // The menus and the title bar start on the screen; the size is the
        // screen's (or the window's minimum, where the test screen is smaller).
        const QRect shown = frame->geometry();
        const int widest = std::max(available.width(), 1024); // the window's least width
        EXPECT_TRUE(available.contains(shown.topLeft())) << stored;
        EXPECT_GE(frame->frameGeometry().top(), available.top()) << stored;
        EXPECT_LE(shown.width(), widest) << stored;
        EXPECT_LE(shown.height(), available.height()) << stored;
        frame->SavePlacement(); // what goes back to the profile is sane as well
        const WindowPlacement saved =
            ParsePlacement(Profile().value("Settings/InitPlacement").toString().toStdString());
        EXPECT_LE(saved.right - saved.left, widest);
        EXPECT_LE(saved.bottom - saved.top, available.height());
    }
}

TEST_F(ShellTest, AFifoFromAnyRouteIsRefusedAtOnce) {
    const QString fifo = m_dir.filePath("fifo.vrn");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto frame = MakeFrame();
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(frame->OpenDocumentFile(fifo));
    EXPECT_LT(timer.elapsed(), 5000);
    ASSERT_FALSE(m_messages.isEmpty());
    EXPECT_TRUE(m_messages.last().contains("not a regular file")) << qPrintable(m_messages.last());
}

TEST(ShellSocketFolder, OnlyAPrivateFolderOfTheUserIsUsed) {
    QTemporaryDir temp;
    const uint me = static_cast<uint>(::getuid());
    const QString runtime = temp.filePath("runtime");
    ASSERT_TRUE(QDir().mkpath(runtime));
    EXPECT_EQ(SingleInstance::PrivateSocketFolder(runtime, temp.path(), me), runtime);

    // No runtime folder (or one owned by someone else): a fresh 0700 folder.
    const QString fallback = temp.filePath("quorvane-%1").arg(me);
    EXPECT_EQ(SingleInstance::PrivateSocketFolder({}, temp.path(), me), fallback);
    // For another user neither this runtime folder nor a folder made by us
    // would do.
    EXPECT_EQ(SingleInstance::PrivateSocketFolder(runtime, temp.path(), me + 1), QString());
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(fallback).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A folder others may enter, or a link planted under the name, is refused.
    ::chmod(QFile::encodeName(fallback).constData(), 0755);
    EXPECT_EQ(SingleInstance::PrivateSocketFolder({}, temp.path(), me), QString());
    QDir(fallback).removeRecursively();
    ASSERT_TRUE(QFile::link(runtime, fallback));
    EXPECT_EQ(SingleInstance::PrivateSocketFolder({}, temp.path(), me), QString());
    EXPECT_EQ(SingleInstance::PrivateSocketFolder("relative/dir", temp.path(), me), QString());

    EXPECT_TRUE(SingleInstance::DefaultServerName().startsWith('/'));
}

TEST(ShellSocketPeer, FilesGoOnlyToAndComeOnlyFromTheSameUser) {
    const uint me = static_cast<uint>(::getuid());
    // A listener bound by the test stands for a program of another user.
    const QString name = SocketName();
    QLocalServer stranger;
    ASSERT_TRUE(stranger.listen(name));
    QByteArray leaked;
    QObject::connect(&stranger, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = stranger.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::readyRead,
                             [&leaked, socket] { leaked += socket->readAll(); });
        }
    });
    std::future<bool> sent = std::async(std::launch::async, [&] {
        SingleInstance client(name);
        client.SetRequiredPeerUser(me + 1);
        return client.SendToRunning({"/secret/path.vrn"}, 500);
    });
    ASSERT_TRUE(SpinUntil(
        [&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000));
    EXPECT_FALSE(sent.get()); // so the start opens its files itself
    SpinUntil([] { return false; }, 200);
    EXPECT_TRUE(leaked.isEmpty()) << leaked.size();
    // The credentials the check relies on are there, and are ours.
    QLocalSocket probe;
    probe.connectToServer(name);
    ASSERT_TRUE(probe.waitForConnected(1000));
    EXPECT_EQ(SingleInstance::PeerUser(probe.socketDescriptor()), me);
    EXPECT_EQ(SingleInstance::PeerUser(-1), std::nullopt);

    // The server side: a client of another user is cut off unread.
    const QString serverName = SocketName();
    SingleInstance server(serverName);
    server.SetRequiredPeerUser(me + 1);
    ASSERT_TRUE(server.Listen());
    int received = 0;
    QObject::connect(&server, &SingleInstance::filesReceived,
                     [&](const QStringList&) { ++received; });
    std::future<bool> handed = std::async(std::launch::async, [serverName] {
        return SingleInstance(serverName).SendToRunning({"/a.vrn"}, 500);
    });
    ASSERT_TRUE(SpinUntil(
        [&] { return handed.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        5000));
    EXPECT_FALSE(handed.get());
    EXPECT_EQ(received, 0);

    // An oversized list is not sent at all.
    SingleInstance big(serverName);
    EXPECT_FALSE(big.SendToRunning({QString(int(SingleInstance::kMaxMessage), 'x')}, 500));
    QLocalServer::removeServer(name);
}
