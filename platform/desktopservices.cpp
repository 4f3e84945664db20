// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopservices.h"

#include "qt/qtscheduler.h"
#include "qt/qtsystemsound.h"
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
    bool postPaste() override { return false; }
};

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

DesktopServices DesktopServices::create()
{
    DesktopServices services;
    services.systemSound = std::make_unique<QtSystemSound>();
    services.scheduler = std::make_unique<QtScheduler>();
    if (xcb_connection_t *connection = x11Connection()) {
        services.clipboard = std::make_unique<X11Clipboard>(connection, qgetenv("DISPLAY"));
        services.frontmostApplication = std::make_unique<X11FrontmostApplication>(connection);
        services.globalShortcuts = std::make_unique<X11GlobalShortcuts>(connection);
        services.pasteInput = std::make_unique<XTestPasteInput>(connection);
    } else {
        services.clipboard = std::make_unique<NoClipboard>();
        services.frontmostApplication = std::make_unique<NoFrontmostApplication>();
        services.globalShortcuts = std::make_unique<NoGlobalShortcuts>();
        services.pasteInput = std::make_unique<NoPasteInput>();
    }
    return services;
}

} // namespace quillet::platform
