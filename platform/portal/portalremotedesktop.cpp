// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalremotedesktop.h"

#include "log.h"
#include "portalcall.h"
#include "privatefile.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QFileInfo>

namespace quillet::platform {

namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
constexpr uint keyboardDevice = 1;
constexpr uint persistUntilRevoked = 2;

} // namespace

std::unique_ptr<PortalRemoteDesktop> PortalRemoteDesktop::create(const QString &tokenPath)
{
    if (!PortalCall::portalRuns())
        return nullptr;
    return std::unique_ptr<PortalRemoteDesktop>(new PortalRemoteDesktop(tokenPath));
}

PortalRemoteDesktop::PortalRemoteDesktop(QString tokenPath) : m_tokenPath(std::move(tokenPath))
{
    if (!m_tokenPath.isEmpty()) {
        if (const auto bytes = PrivateFile::read(m_tokenPath, 4096))
            m_restoreToken = QString::fromUtf8(*bytes).trimmed();
    }
    // A grant given before: restored now, so that the first paste works.
    if (!m_restoreToken.isEmpty())
        createSession();
}

void PortalRemoteDesktop::requestTrust()
{
    if (!m_starting && !m_started)
        createSession();
}

void PortalRemoteDesktop::createSession()
{
    m_starting = true;
    PortalCall::start(
        interfaceName, QStringLiteral("CreateSession"),
        {QVariantMap{{QStringLiteral("session_handle_token"), PortalCall::newToken()}}},
        [this](uint response, const QVariantMap &results) {
            m_session = results.value(QStringLiteral("session_handle")).toString();
            if (response != 0 || m_session.isEmpty())
                return giveUp(QStringLiteral("the desktop portal offers no remote desktop"));
            QDBusConnection::sessionBus().connect(
                QString::fromLatin1(PortalCall::service), m_session,
                QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"), this,
                SLOT(sessionClosed()));
            selectDevices();
        });
}

void PortalRemoteDesktop::selectDevices()
{
    QVariantMap options{{QStringLiteral("types"), keyboardDevice},
                        {QStringLiteral("persist_mode"), persistUntilRevoked}};
    if (!m_restoreToken.isEmpty())
        options.insert(QStringLiteral("restore_token"), m_restoreToken);
    PortalCall::start(interfaceName, QStringLiteral("SelectDevices"),
                      {QVariant::fromValue(QDBusObjectPath(m_session)), options},
                      [this](uint response, const QVariantMap &) {
                          if (response != 0)
                              return giveUp(
                                  QStringLiteral("the desktop portal offers no keyboard"));
                          startSession();
                      });
}

// Where no grant can be restored, the portal asks the user here.
void PortalRemoteDesktop::startSession()
{
    PortalCall::start(interfaceName, QStringLiteral("Start"),
                      {QVariant::fromValue(QDBusObjectPath(m_session)), QString(), QVariantMap()},
                      [this](uint response, const QVariantMap &results) {
                          if (response != 0)
                              return giveUp(QStringLiteral("the desktop did not allow typing"));
                          m_starting = false;
                          m_started = true;
                          keepRestoreToken(
                              results.value(QStringLiteral("restore_token")).toString());
                      });
}

void PortalRemoteDesktop::keepRestoreToken(const QString &token)
{
    if (token.isEmpty() || token == m_restoreToken || m_tokenPath.isEmpty())
        return;
    m_restoreToken = token;
    QString error;
    if (!PrivateFile::makePrivateDirectory(QFileInfo(m_tokenPath).absolutePath()) ||
        !PrivateFile::replace(m_tokenPath, token.toUtf8(), &error))
        logLine(QStringLiteral("cannot keep the desktop's permission to type in %1: the "
                               "next start asks again")
                    .arg(m_tokenPath));
}

void PortalRemoteDesktop::giveUp(const QString &why)
{
    m_starting = false;
    logLine(why + QStringLiteral(": a paste puts the text on the clipboard for you to paste"));
    // A grant that no longer holds is asked for anew next time.
    if (!m_restoreToken.isEmpty()) {
        m_restoreToken.clear();
        QFile::remove(m_tokenPath);
    }
}

void PortalRemoteDesktop::sessionClosed()
{
    m_started = false;
    m_session.clear();
}

void PortalRemoteDesktop::key(std::uint32_t evdevCode, bool pressed)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(PortalCall::service), QString::fromLatin1(PortalCall::path),
        interfaceName, QStringLiteral("NotifyKeyboardKeycode"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap()
         << static_cast<int>(evdevCode) << uint(pressed ? 1 : 0);
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

bool PortalRemoteDesktop::postPaste(PasteShortcut shortcut)
{
    if (!m_started)
        return false;
    const EvdevKeys keys = EvdevKeys::of(shortcut);
    for (const std::uint32_t modifier : keys.modifiers)
        key(modifier, true);
    key(keys.key, true);
    key(keys.key, false);
    for (auto modifier = keys.modifiers.rbegin(); modifier != keys.modifiers.rend(); ++modifier)
        key(*modifier, false);
    return true;
}

} // namespace quillet::platform
