// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktopintegration.h"

#include <memory>

namespace quillet::platform {

class GnomeShellBridge;

// Quillet's GNOME Shell extension, offered in the menu while it does not
// run. GNOME on Wayland loads a newly enabled extension only at the next
// login, so enabling it is a request for then.
class GnomeIntegration final : public DesktopIntegration
{
public:
    explicit GnomeIntegration(std::shared_ptr<GnomeShellBridge> bridge);

    bool canBeEnabled() const override;
    void enable(std::function<void(bool enabled)> done) override;

private:
    std::shared_ptr<GnomeShellBridge> m_bridge;
    bool m_requested = false;
};

} // namespace quillet::platform
