#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

#include <memory>

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
    : QObject(parent), m_serverName(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName() {
    // Per user: the home directory tells users apart where names may repeat.
    const QByteArray home = QDir::homePath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex();
    return QStringLiteral("quorvane-") + QString::fromLatin1(hash.left(16));
}

bool SingleInstance::SendToRunning(const QStringList& files, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QStringList absolute;
    for (const QString& file : files)
        absolute.append(QFileInfo(file).absoluteFilePath());
    socket.write(Encode(absolute));
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
