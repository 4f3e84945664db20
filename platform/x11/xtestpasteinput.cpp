// SPDX-License-Identifier: GPL-3.0-or-later
#include "xtestpasteinput.h"

#include "x11keyboard.h"
#include "xcbreply.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace quillet::platform {

XTestPasteInput::XTestPasteInput(xcb_connection_t *connection)
    : m_connection(connection), m_keySymbols(xcb_key_symbols_alloc(connection))
{}

XTestPasteInput::~XTestPasteInput()
{
    xcb_key_symbols_free(m_keySymbols);
}

bool XTestPasteInput::isTrusted()
{
    const xcb_query_extension_reply_t *extension =
        xcb_get_extension_data(m_connection, &xcb_test_id);
    return extension && extension->present;
}

void XTestPasteInput::fakeKey(std::uint8_t type, xcb_keycode_t keycode)
{
    xcb_test_fake_input(m_connection, type, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void XTestPasteInput::releaseHeldModifiers()
{
    const XcbReply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr));
    if (!keymap)
        return;
    for (const xcb_keycode_t keycode : X11Keyboard::modifierKeycodes(m_connection)) {
        if (keymap->keys[keycode / 8] & (1u << (keycode % 8)))
            fakeKey(XCB_KEY_RELEASE, keycode);
    }
}

xcb_keycode_t XTestPasteInput::keycodeOfV()
{
    if (const xcb_keycode_t v = X11Keyboard::keycodeOf(m_keySymbols, X11Keyboard::keysymV))
        return v;
    // A layout without Latin letters (Russian alone, say): applications take
    // Ctrl with the key where V sits for the paste shortcut. That key is
    // <AB04>, keycode 55 in both the evdev and the xfree86 keycode sets.
    constexpr xcb_keycode_t physicalV = 55;
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    if (setup->min_keycode <= physicalV && physicalV <= setup->max_keycode)
        return physicalV;
    return 0;
}

bool XTestPasteInput::postPaste()
{
    // The keyboard mapping may have changed since the last paste.
    xcb_key_symbols_free(m_keySymbols);
    m_keySymbols = xcb_key_symbols_alloc(m_connection);
    const xcb_keycode_t control = X11Keyboard::keycodeOf(m_keySymbols, X11Keyboard::keysymControlL);
    const xcb_keycode_t v = keycodeOfV();
    if (control == 0 || v == 0)
        return false;
    // While the keys of our own shortcut are down, the passive grab that
    // caught them holds the whole keyboard for us; let go of it, or the
    // posted keys come back to us instead of reaching the focused window.
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    releaseHeldModifiers();
    fakeKey(XCB_KEY_PRESS, control);
    fakeKey(XCB_KEY_PRESS, v);
    fakeKey(XCB_KEY_RELEASE, v);
    fakeKey(XCB_KEY_RELEASE, control);
    xcb_flush(m_connection);
    return true;
}

} // namespace quillet::platform
