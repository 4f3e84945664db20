// SPDX-License-Identifier: GPL-3.0-or-later
#include "xtestpasteinput.h"

#include "x11keyboard.h"
#include "xcbreply.h"

#include <algorithm>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace quillet::platform {

namespace {

// A key held longer than this is taken as stuck, and the paste goes ahead.
constexpr int releaseCheckIntervalMs = 15;
constexpr int maxReleaseChecks = 10000 / releaseCheckIntervalMs;

} // namespace

XTestPasteInput::XTestPasteInput(xcb_connection_t *connection)
    : m_connection(connection), m_keySymbols(xcb_key_symbols_alloc(connection))
{
    m_releaseCheck.setSingleShot(true);
    m_releaseCheck.setInterval(releaseCheckIntervalMs);
    QObject::connect(&m_releaseCheck, &QTimer::timeout, [this] { postWhenReleased(); });
}

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

XTestPasteInput::Keys XTestPasteInput::keysOf(PasteShortcut shortcut)
{
    // The keyboard mapping may have changed since the last paste.
    xcb_key_symbols_free(m_keySymbols);
    m_keySymbols = xcb_key_symbols_alloc(m_connection);
    const xcb_keycode_t control = X11Keyboard::keycodeOf(m_keySymbols, X11Keyboard::keysymControlL);
    const xcb_keycode_t shift = X11Keyboard::keycodeOf(m_keySymbols, X11Keyboard::keysymShiftL);
    switch (shortcut) {
    case PasteShortcut::ControlV:
        return {{control}, keycodeOfV()};
    case PasteShortcut::ControlShiftV:
        return {{control, shift}, keycodeOfV()};
    case PasteShortcut::ShiftInsert:
        return {{shift}, X11Keyboard::keycodeOf(m_keySymbols, X11Keyboard::keysymInsert)};
    }
    return {};
}

bool XTestPasteInput::postPaste(PasteShortcut shortcut)
{
    Keys keys = keysOf(shortcut);
    if (keys.key == 0 || std::count(keys.modifiers.begin(), keys.modifiers.end(), 0) > 0)
        return false;
    m_waiting = std::move(keys);
    m_modifierKeycodes = X11Keyboard::modifierKeycodes(m_connection);
    m_releaseChecksLeft = maxReleaseChecks;
    postWhenReleased();
    return true;
}

void XTestPasteInput::postWhenReleased()
{
    if (isOtherKeyHeld() && m_releaseChecksLeft-- > 0) {
        m_releaseCheck.start();
        return;
    }
    post(m_waiting);
}

// Whether a key other than a modifier is down: the shortcut's own key, held.
bool XTestPasteInput::isOtherKeyHeld()
{
    const XcbReply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr));
    if (!keymap)
        return false;
    const std::vector<xcb_keycode_t> &modifiers = m_modifierKeycodes;
    for (unsigned keycode = 8; keycode < 256; ++keycode) {
        const bool down = keymap->keys[keycode / 8] & (1u << (keycode % 8));
        if (down && std::find(modifiers.begin(), modifiers.end(), keycode) == modifiers.end())
            return true;
    }
    return false;
}

void XTestPasteInput::post(const Keys &keys)
{
    // While the keys of our own shortcut are down, the passive grab that
    // caught them holds the whole keyboard for us; let go of it, or the
    // posted keys come back to us instead of reaching the focused window.
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    releaseHeldModifiers();
    for (const xcb_keycode_t modifier : keys.modifiers)
        fakeKey(XCB_KEY_PRESS, modifier);
    fakeKey(XCB_KEY_PRESS, keys.key);
    fakeKey(XCB_KEY_RELEASE, keys.key);
    for (auto modifier = keys.modifiers.rbegin(); modifier != keys.modifiers.rend(); ++modifier)
        fakeKey(XCB_KEY_RELEASE, *modifier);
    xcb_flush(m_connection);
}

} // namespace quillet::platform
