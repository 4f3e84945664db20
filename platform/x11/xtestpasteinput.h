// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteinput.h"

#include <QTimer>

#include <cstdint>
#include <vector>
#include <xcb/xcb.h>

struct _XCBKeySymbols;

namespace quillet::platform {

// The paste shortcut through the XTest extension. Every modifier still held
// (the user's Ctrl and Alt of the shortcut, Shift, Super) is released first,
// so that the focused window receives exactly that shortcut, and no key is
// left pressed.
//
// While the key of our own shortcut is still down (a held Ctrl+Alt+1), the
// paste waits for its release: until then its repeats go to our grab rather
// than into the focused window as digits.
class XTestPasteInput final : public PasteInput
{
public:
    explicit XTestPasteInput(xcb_connection_t *connection);
    ~XTestPasteInput() override;
    XTestPasteInput(const XTestPasteInput &) = delete;
    XTestPasteInput &operator=(const XTestPasteInput &) = delete;

    bool isTrusted() override;
    void requestTrust() override {}
    bool postPaste(PasteShortcut shortcut) override;

private:
    struct Keys
    {
        std::vector<xcb_keycode_t> modifiers;
        xcb_keycode_t key = 0;
    };
    Keys keysOf(PasteShortcut shortcut);
    xcb_keycode_t keycodeOfV();
    bool isOtherKeyHeld();
    void postWhenReleased();
    void post(const Keys &keys);
    void releaseHeldModifiers();
    void fakeKey(std::uint8_t type, xcb_keycode_t keycode);

    xcb_connection_t *m_connection;
    _XCBKeySymbols *m_keySymbols;
    QTimer m_releaseCheck;
    int m_releaseChecksLeft = 0;
    Keys m_waiting;
    std::vector<xcb_keycode_t> m_modifierKeycodes; // as of the paste asked for
};

} // namespace quillet::platform
