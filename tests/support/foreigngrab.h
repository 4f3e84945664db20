// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace quillet::tests {

// "Another application" that holds Ctrl+Alt+<key> on the root window for the
// scope's life, through an X connection of its own.
class ForeignGrab final
{
public:
    explicit ForeignGrab(xcb_keysym_t keysym) : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
        xcb_generic_error_t *error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, screen->root,
                                               XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, codes[0],
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        m_held = error == nullptr;
        std::free(error);
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~ForeignGrab() { xcb_disconnect(m_connection); }
    ForeignGrab(const ForeignGrab &) = delete;
    ForeignGrab &operator=(const ForeignGrab &) = delete;

    bool held() const { return m_held; }

private:
    xcb_connection_t *m_connection;
    bool m_held = false;
};

} // namespace quillet::tests
