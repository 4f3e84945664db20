// SPDX-License-Identifier: GPL-3.0-or-later
#include "kglobalaccelshortcuts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quillet::platform {

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString servicePath = QStringLiteral("/kglobalaccel");
const QString serviceInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");

// Flags of setShortcut.
constexpr uint isDefault = 1;
constexpr uint setPresent = 2;

// Qt's key codes, which the service speaks.
constexpr int qtControl = 0x04000000;
constexpr int qtAlt = 0x08000000;

int qtKeyOf(GlobalShortcuts::Key key)
{
    switch (key) {
    case GlobalShortcuts::Key::V:
        return 0x56;
    case GlobalShortcuts::Key::Digit1:
        return 0x31;
    case GlobalShortcuts::Key::Digit2:
        return 0x32;
    }
    return 0;
}

QStringList actionId(const QString &action, const QString &label)
{
    return {QString::fromLatin1(KGlobalAccelShortcuts::componentName), action,
            QStringLiteral("Quillet"), label};
}

// The object path of a component, as the service makes it.
QString componentPath()
{
    QString name = QString::fromLatin1(KGlobalAccelShortcuts::componentName);
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != u'_')
            c = u'_';
    }
    return QStringLiteral("/component/") + name;
}

} // namespace

std::unique_ptr<KGlobalAccelShortcuts> KGlobalAccelShortcuts::create()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service))
        return nullptr;
    return std::unique_ptr<KGlobalAccelShortcuts>(new KGlobalAccelShortcuts);
}

KGlobalAccelShortcuts::~KGlobalAccelShortcuts() = default;

void KGlobalAccelShortcuts::callService(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, servicePath, serviceInterface, method);
    call.setArguments(arguments);
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

GlobalShortcuts::Status KGlobalAccelShortcuts::installHandler(Target, Handler handler,
                                                              HandlerRef &handlerRef)
{
    const bool connected = QDBusConnection::sessionBus().connect(
        service, componentPath(), componentInterface, QStringLiteral("globalShortcutPressed"), this,
        SLOT(shortcutPressed(QString, QString, qlonglong)));
    if (!connected)
        return noAnswer;
    m_handler = std::move(handler);
    handlerRef = 1;
    return 0;
}

GlobalShortcuts::Status KGlobalAccelShortcuts::registerShortcut(Key key, std::uint32_t modifiers,
                                                                ShortcutId id, Target,
                                                                ShortcutRef &shortcutRef)
{
    const ActionNames names = actionNamesOf(key);
    int qtKey = qtKeyOf(key);
    if (modifiers & Control)
        qtKey |= qtControl;
    if (modifiers & Alt)
        qtKey |= qtAlt;
    const QString action = QString::fromLatin1(names.id);
    const QString label = QString::fromLatin1(names.description);
    const QStringList ids = actionId(action, label);
    const QList<int> keys{qtKey};
    callService(QStringLiteral("doRegister"), {ids});
    callService(QStringLiteral("setShortcut"),
                {ids, QVariant::fromValue(keys), QVariant::fromValue(isDefault)});
    // The active key: one the user chose in the settings stays; ours is set
    // where there is none. No key back means another component holds it.
    QDBusMessage call = QDBusMessage::createMethodCall(service, servicePath, serviceInterface,
                                                       QStringLiteral("setShortcut"));
    call.setArguments({ids, QVariant::fromValue(keys), QVariant::fromValue(setPresent)});
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, id](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<QList<int>> reply = *w;
                Status status = 0;
                if (reply.isError())
                    status = noAnswer;
                else if (reply.value().isEmpty() || reply.value().first() == 0)
                    status = keyTaken;
                if (m_outcome)
                    m_outcome(id, status, QString());
            });
    shortcutRef = m_nextRef++;
    m_actions[shortcutRef] = {id, action, label};
    return pending;
}

void KGlobalAccelShortcuts::shortcutPressed(const QString &component, const QString &action,
                                            qlonglong)
{
    if (component != QLatin1String(componentName) || !m_handler)
        return;
    for (const auto &[ref, registered] : m_actions) {
        if (registered.name == action) {
            const Event event{registered.id, 0};
            m_handler(&event);
        }
    }
}

// The registration stays with the service, with any key the user chose;
// the actions only go inactive until the next start.
void KGlobalAccelShortcuts::unregisterShortcut(ShortcutRef shortcutRef)
{
    const auto found = m_actions.find(shortcutRef);
    if (found == m_actions.end())
        return;
    callService(QStringLiteral("setInactive"), {actionId(found->second.name, found->second.label)});
    m_actions.erase(found);
}

void KGlobalAccelShortcuts::removeHandler(HandlerRef)
{
    QDBusConnection::sessionBus().disconnect(service, componentPath(), componentInterface,
                                             QStringLiteral("globalShortcutPressed"), this,
                                             SLOT(shortcutPressed(QString, QString, qlonglong)));
    m_handler = nullptr;
}

} // namespace quillet::platform
