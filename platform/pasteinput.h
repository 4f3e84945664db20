// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteshortcut.h"

namespace quillet::platform {

// Synthetic input of a paste shortcut into the focused window.
class PasteInput
{
public:
    virtual ~PasteInput() = default;
    // Whether synthetic key presses can be posted at all.
    virtual bool isTrusted() = 0;
    // Asks the desktop for the permission to post them, where it has one.
    virtual void requestTrust() = 0;
    // Posts `shortcut`: its keys down, then up, with no other modifier held.
    // False when the keyboard has no key to post.
    virtual bool postPaste(PasteShortcut shortcut) = 0;
};

} // namespace quillet::platform
