// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomeshellbridge.h"

#include "log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace quillet::platform {

namespace {

const QString bridgeName = QStringLiteral("io.quillet.ShellBridge");
const QString bridgePath = QStringLiteral("/io/quillet/ShellBridge");
const QString bridgeInterface = QStringLiteral("io.quillet.ShellBridge1");

void callBridge(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(bridgeName, bridgePath, bridgeInterface, method);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    QDBusConnection::sessionBus().asyncCall(call);
}

QString shortcutName(PasteShortcut shortcut)
{
    switch (shortcut) {
    case PasteShortcut::ControlShiftV:
        return QStringLiteral("ctrl-shift-v");
    case PasteShortcut::ShiftInsert:
        return QStringLiteral("shift-insert");
    case PasteShortcut::ControlV:
        break;
    }
    return QStringLiteral("ctrl-v");
}

} // namespace

GnomeShellBridge::GnomeShellBridge()
    : m_watcher(new QDBusServiceWatcher(bridgeName, QDBusConnection::sessionBus(),
                                        QDBusServiceWatcher::WatchForOwnerChange, this))
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &owner) {
                setPresent(!owner.isEmpty());
            });
    // Only the bridge's owner is heard: the bus tells its signals apart by sender.
    bus.connect(bridgeName, bridgePath, bridgeInterface, QStringLiteral("ClipboardChanged"), this,
                SLOT(onClipboardChanged(QStringList, bool, QString, QByteArray, QString)));
    bus.connect(bridgeName, bridgePath, bridgeInterface, QStringLiteral("FocusChanged"), this,
                SLOT(onFocusChanged(QString)));
    m_present = bus.isConnected() && bus.interface()->isServiceRegistered(bridgeName).value();
}

GnomeShellBridge::~GnomeShellBridge() = default;

void GnomeShellBridge::setPresent(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    logLine(present ? QStringLiteral("GNOME Shell's Quillet extension is running: copies, their "
                                     "source, the shortcuts and paste go through it")
                    : QStringLiteral("GNOME Shell's Quillet extension went away: capture falls "
                                     "back to XWayland, shortcuts and paste to the portal"));
    Q_EMIT presenceChanged(present);
}

void GnomeShellBridge::setClipboard(const QString &text)
{
    callBridge(QStringLiteral("SetClipboard"), {text});
}

void GnomeShellBridge::postPaste(PasteShortcut shortcut)
{
    callBridge(QStringLiteral("PostPaste"), {shortcutName(shortcut)});
}

void GnomeShellBridge::onClipboardChanged(const QStringList &formats, bool secret,
                                          const QString &textFormat, const QByteArray &text,
                                          const QString &source)
{
    m_focusedApp = source;
    Q_EMIT clipboardChanged(formats, secret, textFormat, text);
}

void GnomeShellBridge::onFocusChanged(const QString &source)
{
    m_focusedApp = source;
}

} // namespace quillet::platform
