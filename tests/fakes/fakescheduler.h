// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scheduler.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace quillet::tests {

// A scheduler on a virtual clock in milliseconds: nothing runs until the test
// calls advance(), which runs every timer tick and job that falls due, in order.
class FakeScheduler final : public platform::Scheduler
{
public:
    struct Timer
    {
        int intervalMs;
        int toleranceMs;
        Job tick;
        long long nextDueMs;
        bool alive = true;
    };

    std::unique_ptr<platform::RepeatingTimer> startRepeating(int intervalMs, int toleranceMs,
                                                             Job tick) override
    {
        auto timer = std::make_shared<Timer>(
            Timer{intervalMs, toleranceMs, std::move(tick), m_nowMs + intervalMs});
        m_timers.push_back(timer);
        return std::make_unique<Handle>(timer);
    }
    void runSoon(Job job) override { m_jobs.push_back({m_nowMs, m_sequence++, std::move(job)}); }
    void runAfter(int delayMs, Job job) override
    {
        m_jobs.push_back({m_nowMs + delayMs, m_sequence++, std::move(job)});
    }

    void advance(long long ms)
    {
        const long long until = m_nowMs + ms;
        while (runNextDue(until)) {
        }
        m_nowMs = until;
    }
    long long nowMs() const { return m_nowMs; }
    int liveTimers() const
    {
        return static_cast<int>(std::count_if(m_timers.begin(), m_timers.end(),
                                              [](const auto &t) { return t->alive; }));
    }
    const Timer *lastTimer() const { return m_timers.empty() ? nullptr : m_timers.back().get(); }
    size_t pendingJobs() const { return m_jobs.size(); }

private:
    struct Handle final : platform::RepeatingTimer
    {
        explicit Handle(std::shared_ptr<Timer> t) : timer(std::move(t)) {}
        ~Handle() override { timer->alive = false; }
        std::shared_ptr<Timer> timer;
    };
    struct PendingJob
    {
        long long dueMs;
        long long sequence;
        Job job;
    };

    bool runNextDue(long long until)
    {
        auto job = std::min_element(m_jobs.begin(), m_jobs.end(), [](const auto &a, const auto &b) {
            return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.sequence < b.sequence;
        });
        std::shared_ptr<Timer> timer;
        for (const auto &candidate : m_timers) {
            if (candidate->alive && (!timer || candidate->nextDueMs < timer->nextDueMs))
                timer = candidate;
        }
        const long long jobDue = job != m_jobs.end() ? job->dueMs : until + 1;
        const long long timerDue = timer ? timer->nextDueMs : until + 1;
        if (std::min(jobDue, timerDue) > until)
            return false;
        if (jobDue <= timerDue) {
            m_nowMs = jobDue;
            Job run = std::move(job->job);
            m_jobs.erase(job);
            run();
        } else {
            m_nowMs = timerDue;
            timer->nextDueMs += timer->intervalMs;
            timer->tick();
        }
        return true;
    }

    long long m_nowMs = 0;
    long long m_sequence = 0;
    std::vector<std::shared_ptr<Timer>> m_timers;
    std::vector<PendingJob> m_jobs;
};

} // namespace quillet::tests
