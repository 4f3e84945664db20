// SPDX-License-Identifier: GPL-3.0-or-later
#include "kwinactivewindow.h"

#include "log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace quillet::platform {

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString scriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
constexpr int callTimeoutMs = 5000;

QDBusMessage callScripting(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kwinService, QStringLiteral("/Scripting"),
                                                       scriptingInterface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMs);
}

// KWin 6 names the signal windowActivated, KWin 5 clientActivated.
QByteArray scriptFor(const QString &service)
{
    return QStringLiteral(R"(function report(window) {
    callDBus("%1", "%2", "io.quillet.Quillet.KWin", "windowActivated",
             window ? String(window.resourceClass) : "",
             window ? String(window.desktopFileName) : "");
}
if (workspace.windowActivated)
    workspace.windowActivated.connect(report);
else
    workspace.clientActivated.connect(report);
report(workspace.activeWindow || workspace.activeClient);
)")
        .arg(service, QString::fromLatin1(KWinActiveWindow::objectPath))
        .toUtf8();
}

} // namespace

std::unique_ptr<KWinActiveWindow> KWinActiveWindow::create()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kwinService))
        return nullptr;
    std::unique_ptr<KWinActiveWindow> window(new KWinActiveWindow);
    if (!window->load())
        return nullptr;
    return window;
}

bool KWinActiveWindow::load()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QString::fromLatin1(objectPath), this, QDBusConnection::ExportAllSlots))
        return false;
    if (!m_script.open() || m_script.write(scriptFor(bus.baseService())) < 0 || !m_script.flush())
        return false;
    // A script left behind by an instance that did not end cleanly.
    callScripting(QStringLiteral("unloadScript"), {QString::fromLatin1(pluginName)});
    const QDBusReply<int> id = callScripting(
        QStringLiteral("loadScript"), {m_script.fileName(), QString::fromLatin1(pluginName)});
    if (!id.isValid() || id.value() < 0) {
        logLine(QStringLiteral("KWin did not load the script that reports the active window"));
        return false;
    }
    m_loaded = true;
    // Learnt once: asking the bus at every activation would wait on it.
    m_kwinOwner = bus.interface()->serviceOwner(kwinService).value();
    // KWin 6 puts the script at /Scripting/Script<id>, KWin 5 at /<id>.
    for (const QString &path : {QStringLiteral("/Scripting/Script%1").arg(id.value()),
                                QStringLiteral("/%1").arg(id.value())}) {
        const QDBusMessage run = bus.call(
            QDBusMessage::createMethodCall(kwinService, path, QStringLiteral("org.kde.kwin.Script"),
                                           QStringLiteral("run")),
            QDBus::Block, callTimeoutMs);
        if (run.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    logLine(QStringLiteral("KWin did not run the script that reports the active window"));
    return false;
}

KWinActiveWindow::~KWinActiveWindow()
{
    if (m_loaded)
        callScripting(QStringLiteral("unloadScript"), {QString::fromLatin1(pluginName)});
    QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(objectPath));
}

void KWinActiveWindow::windowActivated(const QString &resourceClass, const QString &desktopFileName)
{
    // Only KWin may say which window is active.
    if (calledFromDBus() && message().service() != m_kwinOwner)
        return;
    m_resourceClass = resourceClass;
    m_desktopFileName = desktopFileName;
}

std::optional<QString> KWinActiveWindow::name()
{
    if (m_resourceClass.isEmpty() && m_desktopFileName.isEmpty())
        return std::nullopt;
    const QString id = m_desktopFileName.isEmpty() ? m_resourceClass : m_desktopFileName;
    if (auto entryName = m_entries.nameFor(id, m_resourceClass))
        return entryName;
    return m_resourceClass.isEmpty() ? m_desktopFileName : m_resourceClass;
}

PasteShortcut KWinActiveWindow::pasteShortcut()
{
    const QString id = m_desktopFileName.isEmpty() ? m_resourceClass : m_desktopFileName;
    return pasteShortcutFor(id, m_resourceClass, m_entries.isTerminalEmulator(id, m_resourceClass));
}

} // namespace quillet::platform
