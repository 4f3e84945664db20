// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandvirtualkeyboard.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace quillet::platform {

namespace {

// Linux input event codes; the keymap's keycodes are these plus 8.
constexpr std::uint32_t leftControl = 29;
constexpr std::uint32_t leftShift = 42;
constexpr std::uint32_t keyV = 47;
constexpr std::uint32_t keyInsert = 110;

// Real modifier bits, in the fixed order of every XKB keymap.
constexpr std::uint32_t shiftMask = 1u << 0;
constexpr std::uint32_t controlMask = 1u << 2;

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

struct Modifier
{
    std::uint32_t code;
    std::uint32_t mask;
};

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
    std::vector<Modifier> held;
    std::uint32_t finalKey = keyV;
    switch (shortcut) {
    case PasteShortcut::ControlV:
        held = {{leftControl, controlMask}};
        break;
    case PasteShortcut::ControlShiftV:
        held = {{leftControl, controlMask}, {leftShift, shiftMask}};
        break;
    case PasteShortcut::ShiftInsert:
        held = {{leftShift, shiftMask}};
        finalKey = keyInsert;
        break;
    }
    std::uint32_t mask = 0;
    modifiers(mask);
    for (const Modifier &modifier : held) {
        key(modifier.code, true);
        mask |= modifier.mask;
        modifiers(mask);
    }
    key(finalKey, true);
    key(finalKey, false);
    for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier) {
        key(modifier->code, false);
        mask &= ~modifier->mask;
        modifiers(mask);
    }
}

} // namespace quillet::platform
