// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandvirtualkeyboard.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

// Real modifier bits, in the fixed order of every XKB keymap.
constexpr std::uint32_t shiftMask = 1u << 0;
constexpr std::uint32_t controlMask = 1u << 2;

std::uint32_t maskOf(std::uint32_t modifierCode)
{
    return modifierCode == EvdevKeys::leftShift ? shiftMask : controlMask;
}

// Its keycodes are the Linux input event codes plus 8.
constexpr char keymap[] = R"(xkb_keymap {
xkb_keycodes "quillet" {
    minimum = 8;
    maximum = 255;
    <LCTL> = 37;
    <LFSH> = 50;
    <AB04> = 55;
    <INS> = 118;
};
xkb_types "quillet" { include "complete" };
xkb_compatibility "quillet" { include "complete" };
xkb_symbols "quillet" {
    key <LCTL> { [ Control_L ] };
    key <LFSH> { [ Shift_L ] };
    key <AB04> { [ v, V ] };
    key <INS> { [ Insert ] };
    modifier_map Control { <LCTL> };
    modifier_map Shift { <LFSH> };
};
};
)";

std::uint32_t nowMs()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

WaylandVirtualKeyboard::WaylandVirtualKeyboard(wl_proxy *manager, wl_seat *seat)
{
    m_keyboard =
        reinterpret_cast<wl_proxy *>(zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
            reinterpret_cast<zwp_virtual_keyboard_manager_v1 *>(manager), seat));
    const int fd = ::memfd_create("quillet-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return;
    const std::size_t size = sizeof keymap; // with its terminating NUL
    if (::write(fd, keymap, size) == static_cast<ssize_t>(size)) {
        zwp_virtual_keyboard_v1_keymap(reinterpret_cast<zwp_virtual_keyboard_v1 *>(m_keyboard),
                                       WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
        m_ready = true;
    }
    ::close(fd);
}

WaylandVirtualKeyboard::~WaylandVirtualKeyboard()
{
    if (m_keyboard)
        zwp_virtual_keyboard_v1_destroy(reinterpret_cast<zwp_virtual_keyboard_v1 *>(m_keyboard));
}

void WaylandVirtualKeyboard::key(std::uint32_t evdevCode, bool pressed)
{
    zwp_virtual_keyboard_v1_key(
        reinterpret_cast<zwp_virtual_keyboard_v1 *>(m_keyboard), nowMs(), evdevCode,
        pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void WaylandVirtualKeyboard::modifiers(std::uint32_t depressed)
{
    zwp_virtual_keyboard_v1_modifiers(reinterpret_cast<zwp_virtual_keyboard_v1 *>(m_keyboard),
                                      depressed, 0, 0, 0);
}

void WaylandVirtualKeyboard::post(PasteShortcut shortcut)
{
    if (!m_ready)
        return;
    const EvdevKeys keys = EvdevKeys::of(shortcut);
    std::uint32_t mask = 0;
    modifiers(mask);
    for (const std::uint32_t modifier : keys.modifiers) {
        key(modifier, true);
        mask |= maskOf(modifier);
        modifiers(mask);
    }
    key(keys.key, true);
    key(keys.key, false);
    for (auto modifier = keys.modifiers.rbegin(); modifier != keys.modifiers.rend(); ++modifier) {
        key(*modifier, false);
        mask &= ~maskOf(*modifier);
        modifiers(mask);
    }
}

} // namespace quillet::platform
