// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomepasteinput.h"

#include "gnomeshellbridge.h"

namespace quillet::platform {

GnomePasteInput::GnomePasteInput(std::shared_ptr<GnomeShellBridge> bridge,
                                 std::unique_ptr<PasteInput> fallback)
    : m_bridge(std::move(bridge)), m_fallback(std::move(fallback))
{}

bool GnomePasteInput::isTrusted()
{
    return m_bridge->isPresent() || m_fallback->isTrusted();
}

void GnomePasteInput::requestTrust()
{
    if (!m_bridge->isPresent())
        m_fallback->requestTrust();
}

bool GnomePasteInput::postPaste(PasteShortcut shortcut)
{
    if (!m_bridge->isPresent())
        return m_fallback->postPaste(shortcut);
    m_bridge->postPaste(shortcut);
    return true;
}

} // namespace quillet::platform
