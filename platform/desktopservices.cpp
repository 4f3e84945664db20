// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopservices.h"

#include "qt/qtclipboard.h"
#include "qt/qtscheduler.h"
#include "qt/qtsystemsound.h"
#include "x11/x11frontmostapplication.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace quillet::platform {

namespace {

class NoFrontmostApplication final : public FrontmostApplication
{
public:
    std::optional<QString> name() override { return std::nullopt; }
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
    services.clipboard = std::make_unique<QtClipboard>();
    services.systemSound = std::make_unique<QtSystemSound>();
    services.scheduler = std::make_unique<QtScheduler>();
    if (xcb_connection_t *connection = x11Connection())
        services.frontmostApplication = std::make_unique<X11FrontmostApplication>(connection);
    else
        services.frontmostApplication = std::make_unique<NoFrontmostApplication>();
    return services;
}

} // namespace quillet::platform
