// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace quillet::platform {

// The keys that paste into an application.
enum class PasteShortcut
{
    ControlV,
    // Terminal emulators: their Ctrl+V reaches the program running inside.
    ControlShiftV,
    // xterm and rxvt-like terminals have no clipboard shortcut; Shift+Insert
    // pastes the primary selection there.
    ShiftInsert,
};

// The paste shortcut of the application whose window has the class
// `windowClass` and instance `instance` (X11 WM_CLASS; on Wayland both are
// the app id). `listedAsTerminal` is what its desktop entry says, when one
// was found; well-known terminals are recognised without one.
PasteShortcut pasteShortcutFor(QStringView instance, QStringView windowClass,
                               std::optional<bool> listedAsTerminal);

// The keys of a paste shortcut as Linux input event codes, for the ways of
// typing that take those (a Wayland virtual keyboard, the desktop portal).
struct EvdevKeys
{
    static constexpr std::uint32_t leftControl = 29;
    static constexpr std::uint32_t leftShift = 42;
    static constexpr std::uint32_t v = 47;
    static constexpr std::uint32_t insert = 110;

    std::vector<std::uint32_t> modifiers; // pressed in this order
    std::uint32_t key;

    static EvdevKeys of(PasteShortcut shortcut);
};

} // namespace quillet::platform
