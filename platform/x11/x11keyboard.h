// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>
#include <xcb/xcb.h>

struct _XCBKeySymbols;

namespace quillet::platform {

// Look-ups in the X server's keyboard and modifier mappings.
class X11Keyboard final
{
public:
    static constexpr xcb_keysym_t keysymV = 0x0076;
    static constexpr xcb_keysym_t keysymControlL = 0xffe3;
    static constexpr xcb_keysym_t keysymShiftL = 0xffe1;
    static constexpr xcb_keysym_t keysymInsert = 0xff63;

    // The modifier bit (Mod2 for NumLock on most setups, but never assumed)
    // to which a key producing `keysym` is mapped; 0 when none is.
    static std::uint16_t modifierMaskOf(xcb_connection_t *connection, _XCBKeySymbols *symbols,
                                        xcb_keysym_t keysym);

    // Every keycode mapped to a modifier other than Lock (Shift, Control,
    // Alt, Super, ...).
    static std::vector<xcb_keycode_t> modifierKeycodes(xcb_connection_t *connection);

    // The first keycode that produces `keysym`; 0 when none does.
    static xcb_keycode_t keycodeOf(_XCBKeySymbols *symbols, xcb_keysym_t keysym);
};

} // namespace quillet::platform
