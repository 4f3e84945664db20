// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QTest>

namespace quillet::tests {

// Runs the event loop until `condition` holds, asking it once per turn, and
// says whether it did. Unlike QTRY_*, it does not ask once more afterwards:
// for what another program shows on screen, a second look may catch it in
// passing (for example while the window manager re-parents a window). The
// time-out only ends a test that would otherwise hang.
template <typename Condition> bool waitUntil(Condition condition, int timeoutMs = 30000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace quillet::tests
