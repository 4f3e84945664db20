// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalcall.h"

#include "appidentity.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace quillet::platform {

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr uint failed = 2;

// Newer portals learn the id of a program that runs outside a sandbox this
// way, before its first call; older ones do not know the call, which does no
// harm.
void registerWithPortal(QDBusConnection &bus)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QString::fromLatin1(PortalCall::service), QString::fromLatin1(PortalCall::path),
        QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
    registration << applicationId << QVariantMap();
    bus.call(registration, QDBus::NoBlock);
}

} // namespace

bool PortalCall::portalRuns()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString portal = QString::fromLatin1(service);
    return bus.interface()->isServiceRegistered(portal) ||
           bus.interface()->activatableServiceNames().value().contains(portal);
}

QString PortalCall::newToken()
{
    static int next = 0;
    return QStringLiteral("quillet%1").arg(++next);
}

void PortalCall::start(const QString &interface, const QString &method, QVariantList arguments,
                       Done done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    registerWithPortal(bus);
    auto *call = new PortalCall(std::move(done));
    const QString token = newToken();
    QVariantMap options = arguments.isEmpty() ? QVariantMap() : arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    // The sender's unique name without its colon, with underscores for dots.
    const QString sender = bus.baseService().mid(1).replace(u'.', u'_');
    call->m_requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus.connect(QString::fromLatin1(service), call->m_requestPath, requestInterface,
                QStringLiteral("Response"), call, SLOT(responded(uint, QVariantMap)));

    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(path), interface, method);
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), call);
    connect(watcher, &QDBusPendingCallWatcher::finished, call, [call](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (w->isError())
            call->finish(failed, {{QStringLiteral("error"), w->error().message()}});
    });
}

void PortalCall::responded(uint response, const QVariantMap &results)
{
    finish(response, results);
}

void PortalCall::finish(uint response, const QVariantMap &results)
{
    if (m_finished)
        return;
    m_finished = true;
    QDBusConnection::sessionBus().disconnect(QString::fromLatin1(service), m_requestPath,
                                             requestInterface, QStringLiteral("Response"), this,
                                             SLOT(responded(uint, QVariantMap)));
    m_done(response, results);
    deleteLater();
}

} // namespace quillet::platform
