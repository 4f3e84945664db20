// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandfrontmostapplication.h"

#include "waylandsession.h"

namespace quillet::platform {

WaylandFrontmostApplication::WaylandFrontmostApplication(std::shared_ptr<WaylandSession> session)
    : m_session(std::move(session))
{}

std::optional<QString> WaylandFrontmostApplication::name()
{
    const std::optional<QString> appId = m_session->activeAppId();
    if (!appId)
        return std::nullopt;
    if (auto entryName = m_entries.nameFor(*appId, *appId))
        return entryName;
    return appId;
}

PasteShortcut WaylandFrontmostApplication::pasteShortcut()
{
    const std::optional<QString> appId = m_session->activeAppId();
    if (!appId)
        return PasteShortcut::ControlV;
    return pasteShortcutFor(*appId, *appId, m_entries.isTerminalEmulator(*appId, *appId));
}

} // namespace quillet::platform
