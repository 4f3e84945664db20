// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace quillet::platform {

// A repeating timer; destroying it stops it for good.
class RepeatingTimer
{
public:
    virtual ~RepeatingTimer() = default;
};

// Work on the main thread, later.
class Scheduler
{
public:
    using Job = std::function<void()>;

    virtual ~Scheduler() = default;
    // Runs `tick` every `intervalMs`, each tick possibly up to `toleranceMs` late.
    virtual std::unique_ptr<RepeatingTimer> startRepeating(int intervalMs, int toleranceMs,
                                                           Job tick) = 0;
    // Runs `job` once, after the current event has been handled.
    virtual void runSoon(Job job) = 0;
    // Runs `job` once, no earlier than `delayMs` from now.
    virtual void runAfter(int delayMs, Job job) = 0;
};

} // namespace quillet::platform
