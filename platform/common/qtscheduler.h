// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scheduler.h"

#include <QObject>

namespace quillet::platform {

// Main-loop timers. Jobs belong to the scheduler: once it is gone, pending
// ones never run.
class QtScheduler final : public QObject, public Scheduler
{
    Q_OBJECT

public:
    explicit QtScheduler(QObject *parent = nullptr);

    void runSoon(Job job) override;
    void runAfter(int delayMs, Job job) override;
};

} // namespace quillet::platform
