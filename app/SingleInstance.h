// One running program per user: a second start hands its files to the
// running one over a local socket and ends.
//
// Message: a 32-bit big-endian length, then that many bytes of a QDataStream
// holding a QStringList of absolute paths. The receiver answers with one
// byte once it has the list.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `serverName` is unique per user; DefaultServerName() gives the program's.
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString DefaultServerName();

    // Hands `files` to a running instance. True when one has taken them.
    bool SendToRunning(const QStringList& files, int timeoutMs = 2000);

    // Starts answering later starts. False when the name cannot be used
    // (another instance answers under it).
    bool Listen();
    bool IsListening() const;

    // Largest message accepted; anything longer is dropped with its connection.
    static constexpr quint32 kMaxMessage = 1u << 20;

signals:
    void filesReceived(const QStringList& files);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_pServer = nullptr;
};
