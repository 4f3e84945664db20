// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteshortcut.h"

#include <cstdint>

struct wl_proxy;
struct wl_seat;

namespace quillet::platform {

// A keyboard of our own on the seat (wlroots' virtual-keyboard protocol),
// with a small keymap of its own that has just the keys of the paste
// shortcuts. It is made once and kept: some toolkits read the keys a device
// sent with that device's keymap, and garble them once it is gone.
// Used only on the thread that dispatches its connection.
class WaylandVirtualKeyboard final
{
public:
    WaylandVirtualKeyboard(wl_proxy *manager, wl_seat *seat);
    ~WaylandVirtualKeyboard();
    WaylandVirtualKeyboard(const WaylandVirtualKeyboard &) = delete;
    WaylandVirtualKeyboard &operator=(const WaylandVirtualKeyboard &) = delete;

    // False where the keymap could not be handed over.
    bool isReady() const { return m_ready; }
    // Presses and releases exactly the keys of `shortcut`, with the
    // modifiers' state sent along.
    void post(PasteShortcut shortcut);

private:
    void key(std::uint32_t evdevCode, bool pressed);
    void modifiers(std::uint32_t depressed);

    wl_proxy *m_keyboard = nullptr;
    bool m_ready = false;
};

} // namespace quillet::platform
