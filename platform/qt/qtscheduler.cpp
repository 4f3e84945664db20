// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtscheduler.h"

#include <QTimer>

namespace quillet::platform {

namespace {

class QtRepeatingTimer final : public RepeatingTimer
{
public:
    QtRepeatingTimer(int intervalMs, int toleranceMs, Scheduler::Job tick)
    {
        // A coarse timer may fire up to 5% of its interval off, well within
        // any tolerance asked for here; it lets the kernel batch wake-ups.
        m_timer.setTimerType(toleranceMs > 0 ? Qt::CoarseTimer : Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        m_timer.callOnTimeout(std::move(tick));
        m_timer.start();
    }

private:
    QTimer m_timer;
};

} // namespace

QtScheduler::QtScheduler(QObject *parent) : QObject(parent) {}

std::unique_ptr<RepeatingTimer> QtScheduler::startRepeating(int intervalMs, int toleranceMs,
                                                            Job tick)
{
    return std::make_unique<QtRepeatingTimer>(intervalMs, toleranceMs, std::move(tick));
}

void QtScheduler::runSoon(Job job)
{
    QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
}

void QtScheduler::runAfter(int delayMs, Job job)
{
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, std::move(job));
}

} // namespace quillet::platform
