// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include "log.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::app {

namespace {

const QByteArray showCommand = "show ";
const QByteArray shownReply = "shown\n";
const QByteArray elsewhereReply = "elsewhere\n";
constexpr int answerTimeoutMs = 1000;

// Whether the process at the other end of a local socket runs as this user.
bool peerIsThisUser(qintptr descriptor)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                        &length) == 0 &&
           credentials.uid == ::geteuid();
}

QString lockErrorText(QLockFile::LockError error)
{
    return error == QLockFile::PermissionError
               ? QStringLiteral("the folder is not writable")
               : QStringLiteral("the file cannot be written (the disk may be full or read-only)");
}

} // namespace

SingleInstance::SingleInstance(QString lockFolder, QString socketFolder, QString displayKey,
                               QObject *parent)
    : QObject(parent), m_lockPath(lockFolder + QStringLiteral("/quillet.lock")),
      m_socketPath(socketFolder + QStringLiteral("/quillet.socket")),
      m_displayKey(std::move(displayKey))
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::privateFolder(const QString &candidate, const QString &fallback)
{
    if (!QDir::isAbsolutePath(candidate))
        return fallback;
    struct stat status
    {};
    if (::lstat(QFile::encodeName(candidate).constData(), &status) != 0 ||
        !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return fallback;
    return candidate;
}

QString SingleInstance::currentDisplayKey()
{
    QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        // ":0", ":0.0" and "unix:0" name the same display.
        if (display.startsWith(QStringLiteral("unix:")))
            display = display.mid(4);
        const qsizetype colon = display.lastIndexOf(u':');
        const qsizetype dot = display.indexOf(u'.', colon);
        return QStringLiteral("x11:") + (dot < 0 ? display : display.left(dot));
    }
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    return QStringLiteral("wayland:") + wayland;
}

SingleInstance::Claim SingleInstance::claim()
{
    // QLockFile reads an existing lock through a link; a link here was
    // planted, never made by us.
    struct stat status
    {};
    if (::lstat(QFile::encodeName(m_lockPath).constData(), &status) == 0 && S_ISLNK(status.st_mode))
        ::unlink(QFile::encodeName(m_lockPath).constData());
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // The lock of a process that died is taken over at once.
    m_lock->setStaleLockTime(0);
    // A living owner may still be starting and not listen yet: ask it again
    // while waiting a little for its lock, for a few seconds at most.
    for (int attempt = 0; !m_lock->tryLock(100); ++attempt) {
        if (m_lock->error() != QLockFile::LockFailedError) {
            platform::logLine(QStringLiteral("cannot create the lock file %1: %2")
                                  .arg(m_lockPath, lockErrorText(m_lock->error())));
            return Claim::Failed;
        }
        switch (askRunningInstance()) {
        case Answer::Shown:
            return Claim::Forwarded;
        case Answer::Elsewhere:
            return Claim::Elsewhere;
        case Answer::None:
            break;
        }
        if (attempt == 50) {
            platform::logLine(QStringLiteral("another instance is running but does not answer"));
            return Claim::Failed;
        }
    }
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        platform::logLine(
            QStringLiteral("cannot listen on %1: %2").arg(m_socketPath, m_server->errorString()));
        return Claim::Primary;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!peerIsThisUser(socket->socketDescriptor())) {
                socket->abort();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
    return Claim::Primary;
}

void SingleInstance::answer(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine();
        if (!line.startsWith(showCommand))
            continue;
        if (QString::fromUtf8(line.mid(showCommand.size())).trimmed() == m_displayKey) {
            socket->write(shownReply);
            Q_EMIT showRequested();
        } else {
            socket->write(elsewhereReply);
        }
    }
}

SingleInstance::Answer SingleInstance::askRunningInstance() const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(answerTimeoutMs) || !peerIsThisUser(socket.socketDescriptor()))
        return Answer::None;
    socket.write(showCommand + m_displayKey.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(answerTimeoutMs))
        return Answer::None;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(answerTimeoutMs))
            return Answer::None;
    }
    const QByteArray reply = socket.readLine();
    if (reply == shownReply)
        return Answer::Shown;
    return reply == elsewhereReply ? Answer::Elsewhere : Answer::None;
}

} // namespace quillet::app
