// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "systemclock.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <sys/resource.h>

namespace quillet::bench {

// A store and a monitor on the desktop's real services, as the program has
// them, in a history folder on tmpfs: the figures are the monitor's and the
// store's work, not the disk's.
struct CaptureFixture
{
    QTemporaryDir home{QStringLiteral("/dev/shm/quillet-bench-XXXXXX")};
    platform::SystemClock clock;
    platform::DesktopServices services = platform::DesktopServices::create();
    std::unique_ptr<history::ClipboardStore> store;
    std::unique_ptr<capture::ClipboardMonitor> monitor;

    CaptureFixture()
    {
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        store = std::make_unique<history::ClipboardStore>(clock);
        monitor = std::make_unique<capture::ClipboardMonitor>(
            *store, *services.clipboard, *services.frontmostApplication, clock);
        monitor->start();
    }

    void waitForEntry(const QString &text)
    {
        while (store->items().isEmpty() || store->items().first().text != text)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

// CPU time of the whole process so far, in seconds.
inline double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Prints the CPU that the process used in `seconds` of an idle event loop,
// against the target.
inline void printIdleCpu(const char *what, int seconds)
{
    const double cpuBefore = processCpuSeconds();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double used = processCpuSeconds() - cpuBefore;
    std::printf("%s: %.3f s of CPU in %d s = %.4f%% of one core (target: under 0.05%%)\n", what,
                used, seconds, 100.0 * used / seconds);
}

} // namespace quillet::bench
