// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scheduler.h"

#include <algorithm>
#include <vector>

namespace quillet::tests {

// A scheduler on a virtual clock in milliseconds: nothing runs until the test
// calls advance(), which runs every job that falls due, in order.
class FakeScheduler final : public platform::Scheduler
{
public:
    void runSoon(Job job) override { runAfter(0, std::move(job)); }
    void runAfter(int delayMs, Job job) override
    {
        m_jobs.push_back({m_nowMs + delayMs, m_sequence++, std::move(job)});
    }

    void advance(long long ms)
    {
        const long long until = m_nowMs + ms;
        for (;;) {
            const auto next = std::min_element(m_jobs.begin(), m_jobs.end(), [](auto &a, auto &b) {
                return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.sequence < b.sequence;
            });
            if (next == m_jobs.end() || next->dueMs > until)
                break;
            m_nowMs = next->dueMs;
            Job job = std::move(next->job);
            m_jobs.erase(next);
            job();
        }
        m_nowMs = until;
    }

private:
    struct PendingJob
    {
        long long dueMs;
        long long sequence;
        Job job;
    };

    long long m_nowMs = 0;
    long long m_sequence = 0;
    std::vector<PendingJob> m_jobs;
};

} // namespace quillet::tests
