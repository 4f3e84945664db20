// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalglobalshortcuts.h"

#include "activationtoken.h"
#include "log.h"
#include "portalcall.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>

namespace quillet::platform {

namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

} // namespace

} // namespace quillet::platform

Q_DECLARE_METATYPE(quillet::platform::PortalShortcut)

namespace quillet::platform {

namespace {

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The shortcuts of a portal answer, which arrive undecoded inside a variant.
PortalShortcuts shortcutsIn(const QVariant &value)
{
    PortalShortcuts shortcuts;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> shortcuts;
    return shortcuts;
}

// The portal's trigger format: modifiers, then the key's keysym name.
QString triggerOf(GlobalShortcuts::Key key, std::uint32_t modifiers)
{
    QString trigger;
    if (modifiers & GlobalShortcuts::Control)
        trigger += QStringLiteral("CTRL+");
    if (modifiers & GlobalShortcuts::Alt)
        trigger += QStringLiteral("ALT+");
    switch (key) {
    case GlobalShortcuts::Key::V:
        return trigger + u'v';
    case GlobalShortcuts::Key::Digit1:
        return trigger + u'1';
    case GlobalShortcuts::Key::Digit2:
        return trigger + u'2';
    }
    return trigger;
}

} // namespace

std::unique_ptr<PortalGlobalShortcuts> PortalGlobalShortcuts::create()
{
    if (!PortalCall::portalRuns())
        return nullptr;
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    return std::unique_ptr<PortalGlobalShortcuts>(new PortalGlobalShortcuts);
}

GlobalShortcuts::Status PortalGlobalShortcuts::installHandler(Target, Handler handler,
                                                              HandlerRef &handlerRef)
{
    QDBusConnection::sessionBus().connect(
        QString::fromLatin1(PortalCall::service), QString::fromLatin1(PortalCall::path),
        interfaceName, QStringLiteral("Activated"), this, SLOT(activated(QDBusMessage)));
    m_handler = std::move(handler);
    handlerRef = 1;
    return 0;
}

GlobalShortcuts::Status PortalGlobalShortcuts::registerShortcut(Key key, std::uint32_t modifiers,
                                                                ShortcutId id, Target,
                                                                ShortcutRef &shortcutRef)
{
    const ActionNames names = actionNamesOf(key);
    shortcutRef = m_nextRef++;
    m_shortcuts[shortcutRef] = {id, QString::fromLatin1(names.id),
                                QString::fromLatin1(names.description), triggerOf(key, modifiers)};
    if (!m_sessionRequested) {
        m_sessionRequested = true;
        QTimer::singleShot(0, this, [this] { createSession(); });
    }
    return pending;
}

void PortalGlobalShortcuts::createSession()
{
    PortalCall::start(
        interfaceName, QStringLiteral("CreateSession"),
        {QVariantMap{{QStringLiteral("session_handle_token"), PortalCall::newToken()}}},
        [this](uint response, const QVariantMap &results) {
            m_session = results.value(QStringLiteral("session_handle")).toString();
            if (response != 0 || m_session.isEmpty()) {
                logLine(QStringLiteral("the desktop portal offers no global shortcuts: bind keys "
                                       "to \"gapplication action io.quillet.Quillet "
                                       "toggle-history\" (and paste-latest, paste-previous) "
                                       "instead"));
                reportAll(noPortal);
                return;
            }
            bindShortcuts();
        });
}

void PortalGlobalShortcuts::bindShortcuts()
{
    PortalShortcuts wanted;
    for (const auto &[ref, shortcut] : m_shortcuts) {
        wanted << PortalShortcut{
            shortcut.name,
            {{QStringLiteral("description"), shortcut.description},
             {QStringLiteral("preferred_trigger"), shortcut.preferredTrigger}}};
    }
    PortalCall::start(
        interfaceName, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(wanted), QString(),
         QVariantMap()},
        [this](uint response, const QVariantMap &results) { shortcutsBound(response, results); });
}

void PortalGlobalShortcuts::shortcutsBound(uint response, const QVariantMap &results)
{
    if (response != 0) {
        reportAll(notBound);
        return;
    }
    const PortalShortcuts bound = shortcutsIn(results.value(QStringLiteral("shortcuts")));
    for (auto &entry : m_shortcuts) {
        Shortcut &shortcut = entry.second;
        const QString &name = shortcut.name;
        const auto found = std::find_if(bound.begin(), bound.end(),
                                        [&name](const PortalShortcut &b) { return b.id == name; });
        shortcut.bound = found != bound.end();
        if (m_outcome)
            m_outcome(
                shortcut.id, shortcut.bound ? 0 : notBound,
                shortcut.bound
                    ? found->properties.value(QStringLiteral("trigger_description")).toString()
                    : QString());
    }
}

void PortalGlobalShortcuts::reportAll(Status status)
{
    for (const auto &[ref, shortcut] : m_shortcuts) {
        if (m_outcome)
            m_outcome(shortcut.id, status, QString());
    }
}

// Activated(o session, s shortcut, t timestamp, a{sv} options).
void PortalGlobalShortcuts::activated(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || !m_handler ||
        arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    const QString shortcut = arguments.at(1).toString();
    // Newer portals pass the right to take the focus along; our window
    // hands it to the compositor when it next asks for the focus.
    const QString token = qdbus_cast<QVariantMap>(arguments.value(3))
                              .value(QStringLiteral("activation_token"))
                              .toString();
    ActivationToken::adopt(token);
    for (const auto &[ref, registered] : m_shortcuts) {
        if (registered.name == shortcut) {
            const Event event{registered.id, 0};
            m_handler(&event);
        }
    }
}

void PortalGlobalShortcuts::unregisterShortcut(ShortcutRef shortcutRef)
{
    m_shortcuts.erase(shortcutRef);
}

void PortalGlobalShortcuts::removeHandler(HandlerRef)
{
    QDBusConnection::sessionBus().disconnect(
        QString::fromLatin1(PortalCall::service), QString::fromLatin1(PortalCall::path),
        interfaceName, QStringLiteral("Activated"), this, SLOT(activated(QDBusMessage)));
    m_handler = nullptr;
}

} // namespace quillet::platform
