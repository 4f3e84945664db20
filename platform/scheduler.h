// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace quillet::platform {

// Work on the main thread, later.
class Scheduler
{
public:
    using Job = std::function<void()>;

    virtual ~Scheduler() = default;
    // Runs `job` once, after the current event has been handled.
    virtual void runSoon(Job job) = 0;
    // Runs `job` once, no earlier than `delayMs` from now.
    virtual void runAfter(int delayMs, Job job) = 0;
};

} // namespace quillet::platform
