// SPDX-License-Identifier: BSD-3-Clause
// One running program per user: a second start hands its files to the
// running one over a local socket and ends.
//
// The socket lives where only its user can reach it: in $XDG_RUNTIME_DIR, or
// else in a folder "quorvane-<uid>" of the temporary folder with mode 0700,
// checked to be a real folder owned by the user. Both ends check the other's
// peer credentials (the same user) before anything is read or sent, so no
// other local user can take the files a start hands over.
//
// Message: a 32-bit big-endian length, then that many bytes of a QDataStream
// holding a QStringList of absolute paths. The receiver answers with one
// byte once it has the list.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `serverName` is unique per user; DefaultServerName() gives the program's.
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Absolute socket path for this user (and home folder), or empty when no
    // safe folder exists; with an empty name nothing is sent or listened on.
    static QString DefaultServerName();

    // The private folder for the socket: `runtimeDir` when it is an absolute
    // path to a real folder owned by `uid`, else "<tempDir>/quorvane-<uid>",
    // created with mode 0700 when missing and accepted only when it is a real
    // folder (not a link) owned by `uid` that nobody else can enter. Empty
    // when neither is safe.
    static QString PrivateSocketFolder(const QString& runtimeDir, const QString& tempDir, uint uid);

    // The user the process at the other end of the connected local socket
    // `descriptor` runs as, or nothing when that cannot be told.
    static std::optional<uint> PeerUser(qintptr descriptor);

    // The user a peer must run as: this process's user unless a test sets
    // another one to see the refusal.
    void SetRequiredPeerUser(uint uid) { m_requiredPeerUser = uid; }

    // Hands `files` to a running instance. True when one has taken them;
    // false when none answers, the one answering runs as another user, the
    // list is too long for one message, or no answer came in time. The
    // caller then opens the files itself.
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

    bool PeerAllowed(const QLocalSocket& socket) const;

    QString m_serverName;
    QLocalServer* m_pServer = nullptr;
    uint m_requiredPeerUser;
};
