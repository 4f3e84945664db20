// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomefrontmostapplication.h"

#include "gnomeshellbridge.h"

namespace quillet::platform {

GnomeFrontmostApplication::GnomeFrontmostApplication(std::shared_ptr<GnomeShellBridge> bridge,
                                                     std::unique_ptr<FrontmostApplication> fallback)
    : m_bridge(std::move(bridge)), m_fallback(std::move(fallback))
{}

std::optional<QString> GnomeFrontmostApplication::name()
{
    if (!m_bridge->isPresent())
        return m_fallback->name();
    const QString &app = m_bridge->focusedApp();
    if (app.isEmpty())
        return std::nullopt;
    if (auto entryName = m_entries.nameFor(app, app))
        return entryName;
    return app;
}

PasteShortcut GnomeFrontmostApplication::pasteShortcut()
{
    if (!m_bridge->isPresent())
        return m_fallback->pasteShortcut();
    const QString &app = m_bridge->focusedApp();
    return pasteShortcutFor(app, app, m_entries.isTerminalEmulator(app, app));
}

} // namespace quillet::platform
