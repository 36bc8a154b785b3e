// SPDX-License-Identifier: BSD-3-Clause
#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {
QByteArray Encode(const QStringList& files) {
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << files;
    QByteArray message(4, '\0');
    qToBigEndian(static_cast<quint32>(payload.size()), message.data());
    return message + payload;
}
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)),
      m_requiredPeerUser(static_cast<uint>(::getuid())) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::PrivateSocketFolder(const QString& runtimeDir, const QString& tempDir,
                                            uint uid) {
    struct stat info {};
    const QByteArray runtime = QFile::encodeName(runtimeDir);
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir) &&
        ::lstat(runtime.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == uid)
        return runtimeDir;
    if (tempDir.isEmpty())
        return {};
    const QString folder = tempDir + QStringLiteral("/quorvane-") + QString::number(uid);
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700); // may exist already: checked below either way
    // lstat, not stat: a link planted under the name by someone else is refused.
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != uid ||
        (info.st_mode & 077) != 0)
        return {};
    return folder;
}

QString SingleInstance::DefaultServerName() {
    const QString folder = PrivateSocketFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                               QDir::tempPath(), static_cast<uint>(::getuid()));
    if (folder.isEmpty())
        return {};
    // The home folder tells apart profiles of one user (and test runs).
    const QByteArray home = QDir::homePath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex();
    return folder + QStringLiteral("/quorvane-") + QString::fromLatin1(hash.left(16));
}

std::optional<uint> SingleInstance::PeerUser(qintptr descriptor) {
    if (descriptor < 0)
        return std::nullopt;
#ifdef SO_PEERCRED
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0 ||
        length != sizeof credentials)
        return std::nullopt;
    return static_cast<uint>(credentials.uid);
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(static_cast<int>(descriptor), &uid, &gid) != 0)
        return std::nullopt;
    return static_cast<uint>(uid);
#endif
}

bool SingleInstance::PeerAllowed(const QLocalSocket& socket) const {
    const std::optional<uint> peer = PeerUser(socket.socketDescriptor());
    return peer && *peer == m_requiredPeerUser;
}

bool SingleInstance::SendToRunning(const QStringList& files, int timeoutMs) {
    if (m_serverName.isEmpty())
        return false;
    QStringList absolute;
    for (const QString& file : files)
        absolute.append(QFileInfo(file).absoluteFilePath());
    const QByteArray message = Encode(absolute);
    if (message.size() - 4 > static_cast<qsizetype>(kMaxMessage))
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    // Nothing goes to a program of another user.
    if (!PeerAllowed(socket)) {
        socket.abort();
        return false;
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The answer says the list arrived; without it this start goes on alone.
    if (socket.bytesAvailable() < 1 && !socket.waitForReadyRead(timeoutMs))
        return false;
    return socket.read(1) == QByteArrayLiteral("\x01");
}

bool SingleInstance::Listen() {
    if (m_pServer)
        return true;
    if (m_serverName.isEmpty())
        return false;
    // Someone answers under the name already. (Listening with socket options
    // would silently take the name over from it.)
    {
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(500))
            return false;
    }
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left behind by a program that ended abnormally may be replaced.
    if (!server->listen(m_serverName) &&
        !(QLocalServer::removeServer(m_serverName) && server->listen(m_serverName)))
        return false;
    m_pServer = server.release();
    m_pServer->setParent(this);
    connect(m_pServer, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

bool SingleInstance::IsListening() const {
    return m_pServer && m_pServer->isListening();
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        // Only programs of the same user may hand over files.
        if (!PeerAllowed(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void SingleInstance::OnReadyRead(QLocalSocket* socket) {
    if (socket->bytesAvailable() < 4)
        return;
    char header[4];
    socket->peek(header, 4);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > kMaxMessage) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < static_cast<qint64>(size) + 4)
        return;
    socket->skip(4);
    QDataStream in(socket->read(size));
    in.setVersion(QDataStream::Qt_6_0);
    QStringList files;
    in >> files;
    if (in.status() != QDataStream::Ok) {
        socket->abort();
        return;
    }
    socket->write("\x01", 1);
    socket->flush();
    emit filesReceived(files);
}
