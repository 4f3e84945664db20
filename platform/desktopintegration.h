// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace quillet::platform {

// A part of the desktop that the user can switch on for the program to work
// better there (GNOME Shell's extension), offered in the tray menu while it
// is off.
class DesktopIntegration
{
public:
    virtual ~DesktopIntegration() = default;

    // Whether the menu should offer to enable it now.
    virtual bool canBeEnabled() const = 0;
    // Asks the desktop to enable it, and later tells `done` whether it did.
    virtual void enable(std::function<void(bool enabled)> done) = 0;
};

} // namespace quillet::platform
