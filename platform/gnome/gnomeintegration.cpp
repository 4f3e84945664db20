// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomeintegration.h"

#include "gnomeshellbridge.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quillet::platform {

GnomeIntegration::GnomeIntegration(std::shared_ptr<GnomeShellBridge> bridge)
    : m_bridge(std::move(bridge))
{}

bool GnomeIntegration::canBeEnabled() const
{
    return !m_requested && !m_bridge->isPresent();
}

void GnomeIntegration::enable(std::function<void(bool enabled)> done)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("EnableExtension"));
    call << QString::fromLatin1(GnomeShellBridge::extensionUuid);
    call.setAutoStartService(false);
    m_requested = true;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         // The shell answers false for an extension it does not have.
                         const QDBusPendingReply<bool> reply = *watcher;
                         const bool enabled = reply.isValid() && reply.value();
                         m_requested = enabled;
                         done(enabled);
                     });
}

} // namespace quillet::platform
