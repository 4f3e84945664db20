// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace quillet::platform {

// The loop that dispatches the Wayland connection on the session's thread,
// as the protocol parts see it: a part that waits for something (a pipe from
// a clipboard owner) keeps the connection dispatched meanwhile through it.
class WaylandEventLoop
{
public:
    using Clock = std::chrono::steady_clock;

    virtual ~WaylandEventLoop() = default;

    // Handles what arrives until `deadline`, and says whether `readFd`
    // became readable. False when nothing happened.
    virtual bool dispatchUntil(Clock::time_point deadline, int readFd, bool *readable) = 0;
    // Sends the requests made so far.
    virtual void flush() = 0;
    // True once the connection is lost or the session is ending.
    virtual bool isStopping() const = 0;
};

} // namespace quillet::platform
