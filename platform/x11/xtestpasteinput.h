// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteinput.h"

#include <cstdint>
#include <xcb/xcb.h>

struct _XCBKeySymbols;

namespace quillet::platform {

// Ctrl+V through the XTest extension. Every modifier still held (the user's
// Ctrl and Alt of the shortcut, Shift, Super) is released first, so that the
// focused window receives exactly Ctrl+V, and no key is left pressed.
class XTestPasteInput final : public PasteInput
{
public:
    explicit XTestPasteInput(xcb_connection_t *connection);
    ~XTestPasteInput() override;
    XTestPasteInput(const XTestPasteInput &) = delete;
    XTestPasteInput &operator=(const XTestPasteInput &) = delete;

    bool isTrusted() override;
    void requestTrust() override {}
    bool postPaste() override;

private:
    xcb_keycode_t keycodeOfV();
    void releaseHeldModifiers();
    void fakeKey(std::uint8_t type, xcb_keycode_t keycode);

    xcb_connection_t *m_connection;
    _XCBKeySymbols *m_keySymbols;
};

} // namespace quillet::platform
