// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopservices.h"

#include "common/qtscheduler.h"
#include "common/qtsystemsound.h"
#include "gnome/gnomeclipboard.h"
#include "gnome/gnomefrontmostapplication.h"
#include "gnome/gnomeglobalshortcuts.h"
#include "gnome/gnomeintegration.h"
#include "gnome/gnomepasteinput.h"
#include "gnome/gnomeshellbridge.h"
#include "kde/kglobalaccelshortcuts.h"
#include "kde/kwinactivewindow.h"
#include "log.h"
#include "portal/portalglobalshortcuts.h"
#include "portal/portalremotedesktop.h"
#include "wayland/waylandclipboard.h"
#include "wayland/waylandfrontmostapplication.h"
#include "wayland/waylandpasteinput.h"
#include "wayland/waylandsession.h"
#include "x11/x11clipboard.h"
#include "x11/x11frontmostapplication.h"
#include "x11/x11globalshortcuts.h"
#include "x11/xtestpasteinput.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace quillet::platform {

namespace {

// Where no clipboard can be watched, nothing is reported and writes go nowhere.
class NoClipboard final : public Clipboard
{
public:
    void watch(Watcher) override {}
    void setText(const QString &) override {}
    void setPrimaryText(const QString &) override {}
};

class NoFrontmostApplication final : public FrontmostApplication
{
public:
    std::optional<QString> name() override { return std::nullopt; }
};

// Where there is no X11 display, no shortcut can be grabbed.
class NoGlobalShortcuts final : public GlobalShortcuts
{
public:
    static constexpr Status unavailable = -1;
    Target applicationTarget() override { return 0; }
    Status installHandler(Target, Handler, HandlerRef &) override { return unavailable; }
    Status registerShortcut(Key, std::uint32_t, ShortcutId, Target, ShortcutRef &) override
    {
        return unavailable;
    }
    Status pressedShortcut(const Event *, ShortcutId &) override { return unavailable; }
    void unregisterShortcut(ShortcutRef) override {}
    void removeHandler(HandlerRef) override {}
};

// Nor can input be posted to other windows.
class NoPasteInput final : public PasteInput
{
public:
    bool isTrusted() override { return false; }
    void requestTrust() override {}
    bool postPaste(PasteShortcut) override { return false; }
};

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

void createX11Services(DesktopServices &services, xcb_connection_t *connection)
{
    services.clipboard = std::make_unique<X11Clipboard>(connection, qgetenv("DISPLAY"));
    services.frontmostApplication = std::make_unique<X11FrontmostApplication>(connection);
    services.globalShortcuts = std::make_unique<X11GlobalShortcuts>(connection);
    services.pasteInput = std::make_unique<XTestPasteInput>(connection);
}

void say(bool explain, const QString &line)
{
    if (explain)
        logLine(line);
}

// GNOME's compositor offers no data control: its XWayland bridges the
// clipboard to X11, where a connection of our own can watch it.
std::unique_ptr<Clipboard> xwaylandClipboard(const QString &why, bool explain)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        say(explain, why + QStringLiteral(", and there is no XWayland: nothing is captured"));
        return std::make_unique<NoClipboard>();
    }
    auto clipboard = std::make_unique<X11Clipboard>(nullptr, qgetenv("DISPLAY"));
    if (!clipboard->isAvailable())
        return std::make_unique<NoClipboard>();
    say(explain, why + QStringLiteral(": capture relies on XWayland's clipboard, which "
                                      "follows the Wayland one only while an X11 window "
                                      "or the desktop passes it on"));
    return clipboard;
}

// `explain`: say what does not work here; not where GNOME Shell's extension
// serves instead.
void createWaylandServices(DesktopServices &services, const QString &dataFolder, bool explain)
{
    auto session = std::make_shared<WaylandSession>();
    QString reason;
    const bool connected = session->start(&reason);
    if (connected && session->hasDataControl())
        services.clipboard = std::make_unique<WaylandClipboard>(session);
    else
        services.clipboard = xwaylandClipboard(
            connected ? QStringLiteral("the Wayland compositor offers no clipboard data control")
                      : reason,
            explain);
    if (connected && session->hasForeignToplevel())
        services.frontmostApplication = std::make_unique<WaylandFrontmostApplication>(session);
    else if (auto kwin = KWinActiveWindow::create())
        services.frontmostApplication = std::move(kwin);
    else {
        say(explain, QStringLiteral("the compositor does not say which application is in "
                                    "front: copies are recorded without their source"));
        services.frontmostApplication = std::make_unique<NoFrontmostApplication>();
    }
    if (auto kglobalaccel = KGlobalAccelShortcuts::create()) {
        services.globalShortcuts = std::move(kglobalaccel);
    } else if (auto portal = PortalGlobalShortcuts::create()) {
        services.globalShortcuts = std::move(portal);
    } else {
        say(explain, QStringLiteral("no global shortcut service on this desktop: bind keys to "
                                    "\"gapplication action io.quillet.Quillet toggle-history\" "
                                    "(and paste-latest, paste-previous) instead"));
        services.globalShortcuts = std::make_unique<NoGlobalShortcuts>();
    }
    if (connected && session->hasVirtualKeyboard()) {
        services.pasteInput = std::make_unique<WaylandPasteInput>(session);
    } else if (auto portal = PortalRemoteDesktop::create(
                   dataFolder.isEmpty() ? QString()
                                        : dataFolder + QStringLiteral("/remote-desktop-token"))) {
        services.pasteInput = std::move(portal);
    } else {
        say(explain, QStringLiteral("no way to post keys on this desktop: a paste puts the text on "
                                    "the clipboard for you to paste"));
        services.pasteInput = std::make_unique<NoPasteInput>();
    }
}

bool isGnome()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP")
        .split(u':')
        .contains(QLatin1String("GNOME"), Qt::CaseInsensitive);
}

// On GNOME the Shell extension serves, while it runs, in place of the
// services found above, which stay for when it does not.
void useGnomeShellBridge(DesktopServices &services, std::shared_ptr<GnomeShellBridge> bridge)
{
    if (!bridge->isPresent())
        logLine(QStringLiteral("GNOME Shell's Quillet extension is not running (not installed, "
                               "not enabled, or enabled since this login): capture relies on "
                               "XWayland, shortcuts and paste on the portal"));
    services.clipboard = std::make_unique<GnomeClipboard>(bridge, std::move(services.clipboard));
    services.frontmostApplication = std::make_unique<GnomeFrontmostApplication>(
        bridge, std::move(services.frontmostApplication));
    services.globalShortcuts =
        std::make_unique<GnomeGlobalShortcuts>(bridge, std::move(services.globalShortcuts));
    services.pasteInput = std::make_unique<GnomePasteInput>(bridge, std::move(services.pasteInput));
    services.integration = std::make_unique<GnomeIntegration>(bridge);
}

void createStandIns(DesktopServices &services)
{
    logLine(QStringLiteral("the platform \"%1\" has no clipboard, shortcuts or "
                           "synthetic input: nothing is captured or pasted")
                .arg(QGuiApplication::platformName()));
    services.clipboard = std::make_unique<NoClipboard>();
    services.frontmostApplication = std::make_unique<NoFrontmostApplication>();
    services.globalShortcuts = std::make_unique<NoGlobalShortcuts>();
    services.pasteInput = std::make_unique<NoPasteInput>();
}

} // namespace

DesktopServices DesktopServices::create(const QString &dataFolder)
{
    DesktopServices services;
    services.systemSound = std::make_unique<QtSystemSound>();
    services.scheduler = std::make_unique<QtScheduler>();
    if (xcb_connection_t *connection = x11Connection())
        createX11Services(services, connection);
    else if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        auto bridge = isGnome() ? std::make_shared<GnomeShellBridge>() : nullptr;
        createWaylandServices(services, dataFolder, !bridge || !bridge->isPresent());
        if (bridge)
            useGnomeShellBridge(services, std::move(bridge));
    } else
        createStandIns(services);
    return services;
}

} // namespace quillet::platform
