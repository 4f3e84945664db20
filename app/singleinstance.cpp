// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include "appidentity.h"
#include "log.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace quillet::app {

namespace {

const QByteArray showCommand = "show\n";

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::baseName()
{
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    for (QChar &c : display) {
        if (!c.isLetterOrNumber())
            c = u'_';
    }
    return QStringLiteral("%1-%2-%3").arg(appName.toLower()).arg(::getuid()).arg(display);
}

SingleInstance::Claim SingleInstance::claim()
{
    const QString base = runtimeFolder() + u'/' + baseName();
    m_socketPath = base + QStringLiteral(".socket");
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // The lock of a process that died is taken over at once.
    m_lock->setStaleLockTime(0);
    // A living owner may still be starting and not listen yet: ask it again
    // while waiting a little for its lock, for a few seconds at most.
    for (int attempt = 0; !m_lock->tryLock(100); ++attempt) {
        if (askRunningInstance())
            return Claim::Forwarded;
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
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == showCommand)
                        Q_EMIT showRequested();
                }
            });
        }
    });
    return Claim::Primary;
}

bool SingleInstance::askRunningInstance() const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(showCommand);
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return sent;
}

} // namespace quillet::app
