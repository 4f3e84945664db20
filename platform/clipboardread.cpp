// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardread.h"

#include "log.h"

#include <utility>

namespace quillet::platform {

void ClipboardRead::logGivingUp(Outcome outcome, bool &quiet)
{
    switch (outcome) {
    case Outcome::TimedOut:
        logLine(QStringLiteral("gave up reading a copy: its owner did not answer for %1 ms")
                    .arg(stallTimeout.count()));
        return;
    case Outcome::TooSlow:
        logLine(QStringLiteral("gave up reading a copy: its owner took more than %1 ms to send it")
                    .arg(totalLimit.count()));
        return;
    case Outcome::Superseded:
        if (!std::exchange(quiet, true))
            logLine(QStringLiteral("gave up reading a copy: a newer copy came before its owner "
                                   "had sent it"));
        return;
    case Outcome::Done:
    case Outcome::Refused:
    case Outcome::Lost:
        return;
    }
}

} // namespace quillet::platform
