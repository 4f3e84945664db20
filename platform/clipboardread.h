// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace quillet::platform {

// How the readers of every desktop end the reading of one copy, and what
// they say when they give it up.
class ClipboardRead final
{
public:
    // How long a read may go without any progress before it is given up.
    static constexpr std::chrono::milliseconds stallTimeout{2000};
    // How long a read may take in all, however steadily its owner drips.
    static constexpr std::chrono::milliseconds totalLimit{5000};

    enum class Outcome
    {
        Done,
        Refused,    // the owner does not offer that format
        TimedOut,   // no progress for stallTimeout
        TooSlow,    // not finished within totalLimit
        Superseded, // a newer change waits: this one is no longer on the clipboard
        Lost,       // the transfer broke off
    };

    // Logs why a read was given up, if it was. `quiet` is set once a
    // superseded read has been logged, so that a flood of them makes one line
    // until the reader clears it again.
    static void logGivingUp(Outcome outcome, bool &quiet);
};

} // namespace quillet::platform
