// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::platform {

// The desktop's permission for our next window to take the focus, handed on
// by launchers and shortcut services. Qt's Wayland windows read it from the
// environment (XDG_ACTIVATION_TOKEN) when they ask for the focus.
class ActivationToken final
{
public:
    // Tokens are short strings; anything longer is refused.
    static constexpr qsizetype maxBytes = 4096;

    // Makes `token` the one the next window uses. Every call reuses one
    // buffer: setenv() would keep each value ever set for the life of the
    // process, so that any caller on the bus could grow our memory at will.
    // False, and nothing changed, for an empty or absurd token.
    static bool adopt(const QString &token);
};

} // namespace quillet::platform
