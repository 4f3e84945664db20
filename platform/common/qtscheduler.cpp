// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtscheduler.h"

#include <QTimer>

namespace quillet::platform {

QtScheduler::QtScheduler(QObject *parent) : QObject(parent) {}

void QtScheduler::runSoon(Job job)
{
    QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
}

void QtScheduler::runAfter(int delayMs, Job job)
{
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, std::move(job));
}

} // namespace quillet::platform
