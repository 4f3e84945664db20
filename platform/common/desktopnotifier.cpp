// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopnotifier.h"

#include "appidentity.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace quillet::platform {

bool DesktopNotifier::notify(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message << appName << 0u << QStringLiteral("quillet") << summary << body << QStringList()
            << QVariantMap() << -1;
    const QDBusMessage reply = bus.call(message, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace quillet::platform
