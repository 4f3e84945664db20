// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillet::platform {

// Synthetic input of the desktop's paste shortcut into the focused window.
class PasteInput
{
public:
    virtual ~PasteInput() = default;
    // Whether synthetic key presses can be posted at all.
    virtual bool isTrusted() = 0;
    // Asks the desktop for the permission to post them, where it has one.
    virtual void requestTrust() = 0;
    // Posts the paste shortcut: key down, then key up, with no other
    // modifier held. False when the keyboard has no key to post.
    virtual bool postPaste() = 0;
};

} // namespace quillet::platform
