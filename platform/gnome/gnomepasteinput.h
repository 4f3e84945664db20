// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteinput.h"

#include <memory>

namespace quillet::platform {

class GnomeShellBridge;

// The paste keys, typed by GNOME Shell's extension once the user has let go
// of Ctrl and Alt, with no consent dialog; `fallback` (the portal) while the
// extension does not run.
class GnomePasteInput final : public PasteInput
{
public:
    GnomePasteInput(std::shared_ptr<GnomeShellBridge> bridge, std::unique_ptr<PasteInput> fallback);

    bool isTrusted() override;
    void requestTrust() override;
    bool postPaste(PasteShortcut shortcut) override;

private:
    std::shared_ptr<GnomeShellBridge> m_bridge;
    std::unique_ptr<PasteInput> m_fallback;
};

} // namespace quillet::platform
