// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomeintegration.h"

#include "gnomeshellbridge.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace quillet::platform {

GnomeIntegration::GnomeIntegration(std::shared_ptr<GnomeShellBridge> bridge)
    : m_bridge(std::move(bridge))
{}

bool GnomeIntegration::canBeEnabled() const
{
    return !m_requested && !m_bridge->isPresent();
}

bool GnomeIntegration::enable()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("EnableExtension"));
    call << QString::fromLatin1(GnomeShellBridge::extensionUuid);
    call.setAutoStartService(false);
    m_requested = QDBusConnection::sessionBus().send(call);
    return m_requested;
}

} // namespace quillet::platform
