// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandpasteinput.h"

#include "waylandsession.h"

namespace quillet::platform {

WaylandPasteInput::WaylandPasteInput(std::shared_ptr<WaylandSession> session)
    : m_session(std::move(session))
{}

bool WaylandPasteInput::postPaste(PasteShortcut shortcut)
{
    m_session->postKeys(shortcut);
    return true;
}

} // namespace quillet::platform
