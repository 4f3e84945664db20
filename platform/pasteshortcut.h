// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <optional>

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

} // namespace quillet::platform
