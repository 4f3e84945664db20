// SPDX-License-Identifier: GPL-3.0-or-later
#include "pasteshortcut.h"

#include <QLatin1StringView>

#include <algorithm>
#include <initializer_list>

namespace quillet::platform {

namespace {

bool isAnyOf(QStringView instance, QStringView windowClass,
             std::initializer_list<QLatin1StringView> names)
{
    return std::any_of(names.begin(), names.end(), [&](QLatin1StringView name) {
        return instance.compare(name, Qt::CaseInsensitive) == 0 ||
               windowClass.compare(name, Qt::CaseInsensitive) == 0;
    });
}

using namespace Qt::Literals::StringLiterals;

} // namespace

PasteShortcut pasteShortcutFor(QStringView instance, QStringView windowClass,
                               std::optional<bool> listedAsTerminal)
{
    if (isAnyOf(instance, windowClass,
                {"xterm"_L1, "uxterm"_L1, "rxvt"_L1, "urxvt"_L1, "rxvt-unicode"_L1, "aterm"_L1,
                 "eterm"_L1}))
        return PasteShortcut::ShiftInsert;
    if (listedAsTerminal)
        return *listedAsTerminal ? PasteShortcut::ControlShiftV : PasteShortcut::ControlV;
    if (isAnyOf(instance, windowClass,
                {"gnome-terminal"_L1,
                 "gnome-terminal-server"_L1,
                 "org.gnome.Terminal"_L1,
                 "org.gnome.Console"_L1,
                 "kgx"_L1,
                 "org.gnome.Ptyxis"_L1,
                 "ptyxis"_L1,
                 "konsole"_L1,
                 "org.kde.konsole"_L1,
                 "yakuake"_L1,
                 "org.kde.yakuake"_L1,
                 "xfce4-terminal"_L1,
                 "lxterminal"_L1,
                 "mate-terminal"_L1,
                 "qterminal"_L1,
                 "terminator"_L1,
                 "tilix"_L1,
                 "com.gexperts.Tilix"_L1,
                 "alacritty"_L1,
                 "kitty"_L1,
                 "foot"_L1,
                 "footclient"_L1,
                 "wezterm"_L1,
                 "org.wezfurlong.wezterm"_L1,
                 "com.mitchellh.ghostty"_L1,
                 "st"_L1,
                 "st-256color"_L1,
                 "sakura"_L1,
                 "terminology"_L1,
                 "guake"_L1,
                 "tilda"_L1,
                 "io.elementary.terminal"_L1,
                 "deepin-terminal"_L1}))
        return PasteShortcut::ControlShiftV;
    return PasteShortcut::ControlV;
}

EvdevKeys EvdevKeys::of(PasteShortcut shortcut)
{
    switch (shortcut) {
    case PasteShortcut::ControlShiftV:
        return {{leftControl, leftShift}, v};
    case PasteShortcut::ShiftInsert:
        return {{leftShift}, insert};
    case PasteShortcut::ControlV:
        break;
    }
    return {{leftControl}, v};
}

} // namespace quillet::platform
