// SPDX-License-Identifier: GPL-3.0-or-later
#include "applicationservice.h"

#include "activationtoken.h"
#include "appidentity.h"
#include "log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace quillet::app {

namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
constexpr int answerTimeoutMs = 5000;

} // namespace

ApplicationService::ApplicationService(QString displayKey, Actions actions, QObject *parent)
    : QObject(parent), m_displayKey(std::move(displayKey)), m_actions(std::move(actions))
{}

ApplicationService::~ApplicationService()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(applicationObjectPath);
    bus.unregisterService(applicationId);
}

bool ApplicationService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        platform::logLine(QStringLiteral("no session bus: the actions cannot be called over "
                                         "D-Bus"));
        return false;
    }
    if (!bus.registerObject(applicationObjectPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAdaptors) ||
        !bus.registerService(applicationId)) {
        platform::logLine(QStringLiteral("cannot take the name %1 on the session bus: %2")
                              .arg(applicationId, bus.lastError().message()));
        bus.unregisterObject(applicationObjectPath);
        return false;
    }
    m_registered = true;
    return true;
}

ApplicationService::Answer ApplicationService::activateRunningInstance(const QString &displayKey)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(applicationId))
        return Answer::None;
    QDBusMessage call = QDBusMessage::createMethodCall(
        applicationId, applicationObjectPath, applicationInterface, QStringLiteral("Activate"));
    QVariantMap platformData{{QString::fromLatin1(displayKeyName), displayKey}};
    // Passed on so that the running instance's window may take the focus.
    for (const char *variable : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        const QString token = qEnvironmentVariable(variable);
        if (!token.isEmpty())
            platformData.insert(QStringLiteral("activation-token"), token);
    }
    call << platformData;
    const QDBusMessage reply = bus.call(call, QDBus::Block, answerTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return Answer::Shown;
    if (reply.errorName() == QLatin1String(otherDisplayError))
        return Answer::Elsewhere;
    return Answer::None;
}

bool ApplicationService::fromOtherDisplay(const QVariantMap &platformData)
{
    const QVariant display = platformData.value(QString::fromLatin1(displayKeyName));
    if (!display.isValid() || display.toString() == m_displayKey)
        return false;
    sendErrorReply(QString::fromLatin1(otherDisplayError),
                   QStringLiteral("Quillet runs for this user on another display"));
    return true;
}

// The desktop's permission for our window to take the focus, as launchers
// and the gapplication tool pass it on: Qt's Wayland windows hand it to the
// compositor (xdg-activation) when they next ask for the focus.
void ApplicationService::adoptActivationToken(const QVariantMap &platformData)
{
    for (const char *key : {"activation-token", "desktop-startup-id"}) {
        const QString token = platformData.value(QString::fromLatin1(key)).toString();
        if (!token.isEmpty()) {
            platform::ActivationToken::adopt(token);
            return;
        }
    }
}

void ApplicationService::Activate(const QVariantMap &platformData)
{
    if (fromOtherDisplay(platformData))
        return;
    adoptActivationToken(platformData);
    if (m_actions.showHistory)
        m_actions.showHistory();
}

void ApplicationService::Open(const QStringList &, const QVariantMap &)
{
    sendErrorReply(QDBusError::NotSupported, QStringLiteral("Quillet opens no files"));
}

void ApplicationService::ActivateAction(const QString &actionName, const QVariantList &,
                                        const QVariantMap &platformData)
{
    const std::function<void()> *action = nullptr;
    if (actionName == QLatin1String("toggle-history"))
        action = &m_actions.toggleHistory;
    else if (actionName == QLatin1String("paste-latest"))
        action = &m_actions.pasteLatest;
    else if (actionName == QLatin1String("paste-previous"))
        action = &m_actions.pastePrevious;
    if (!action || !*action) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("no such action: %1; there are toggle-history, "
                                      "paste-latest and paste-previous")
                           .arg(actionName));
        return;
    }
    adoptActivationToken(platformData);
    (*action)();
}

} // namespace quillet::app
