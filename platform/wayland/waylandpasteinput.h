// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteinput.h"

#include <memory>

namespace quillet::platform {

class WaylandSession;

// The paste shortcut on the virtual keyboard of our Wayland connection
// (wlroots compositors). The compositor grants it to every client, so there
// is no permission to ask for.
class WaylandPasteInput final : public PasteInput
{
public:
    explicit WaylandPasteInput(std::shared_ptr<WaylandSession> session);

    bool isTrusted() override { return true; }
    void requestTrust() override {}
    bool postPaste(PasteShortcut shortcut) override;

private:
    std::shared_ptr<WaylandSession> m_session;
};

} // namespace quillet::platform
