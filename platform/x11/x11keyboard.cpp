// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11keyboard.h"

#include "xcbreply.h"

#include <algorithm>
#include <xcb/xcb_keysyms.h>

namespace quillet::platform {

namespace {

constexpr int lockModifierIndex = 1;

XcbReply<xcb_get_modifier_mapping_reply_t> modifierMapping(xcb_connection_t *connection)
{
    return XcbReply<xcb_get_modifier_mapping_reply_t>(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
}

} // namespace

std::uint16_t X11Keyboard::modifierMaskOf(xcb_connection_t *connection, _XCBKeySymbols *symbols,
                                          xcb_keysym_t keysym)
{
    const XcbReply<xcb_keycode_t> wanted(xcb_key_symbols_get_keycode(symbols, keysym));
    const auto mapping = modifierMapping(connection);
    if (!wanted || !mapping)
        return 0;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            for (const xcb_keycode_t *w = wanted.get(); code != 0 && *w != XCB_NO_SYMBOL; ++w) {
                if (*w == code)
                    return static_cast<std::uint16_t>(1u << modifier);
            }
        }
    }
    return 0;
}

std::vector<xcb_keycode_t> X11Keyboard::modifierKeycodes(xcb_connection_t *connection)
{
    std::vector<xcb_keycode_t> keycodes;
    const auto mapping = modifierMapping(connection);
    if (!mapping)
        return keycodes;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        if (modifier == lockModifierIndex)
            continue;
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code != 0 && std::find(keycodes.begin(), keycodes.end(), code) == keycodes.end())
                keycodes.push_back(code);
        }
    }
    return keycodes;
}

xcb_keycode_t X11Keyboard::keycodeOf(_XCBKeySymbols *symbols, xcb_keysym_t keysym)
{
    const XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    return codes && *codes.get() != XCB_NO_SYMBOL ? *codes.get() : 0;
}

} // namespace quillet::platform
