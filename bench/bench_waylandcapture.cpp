// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard monitor on a Wayland compositor with data control. Runs in a
// Wayland session: bench/run-on-sway.sh starts a private headless sway.
//   bench_waylandcapture                      a copy made with wl-copy
//   bench_waylandcapture --idle-seconds=60    CPU used with the connection open
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "systemclock.h"

#include "qtbenchmarkmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <ctime>
#include <sys/resource.h>

using namespace quillet;

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Fixture
{
    // tmpfs: the figures are the monitor's and the store's work, not the disk's.
    QTemporaryDir home{QStringLiteral("/dev/shm/quillet-bench-XXXXXX")};
    platform::SystemClock clock;
    platform::DesktopServices services = platform::DesktopServices::create();
    std::unique_ptr<history::ClipboardStore> store;
    std::unique_ptr<capture::ClipboardMonitor> monitor;

    Fixture()
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

// Time: from starting wl-copy to the entry in the store. The main thread's
// CPU is counted from when wl-copy has been started: starting a process is
// the benchmark's work, not the program's.
void captureOfOneKilobyteFromWlCopy(benchmark::State &state)
{
    Fixture fixture;
    int round = 0;
    double mainThreadCpu = 0;
    for (auto _ : state) {
        QString text = QString::number(round++) + u' ';
        text += QString(1024 - text.size(), u'w');
        QElapsedTimer elapsed;
        elapsed.start();
        QProcess::startDetached(QStringLiteral("wl-copy"), {text});
        const double cpuBefore = threadCpuSeconds();
        fixture.waitForEntry(text);
        mainThreadCpu += threadCpuSeconds() - cpuBefore;
        state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
    }
    state.counters["main_thread_cpu_us"] =
        benchmark::Counter(mainThreadCpu * 1e6 / static_cast<double>(state.iterations()));
    state.SetLabel("targets: time <= 50 ms, main-thread CPU <= 1000 us; saved to tmpfs");
}
BENCHMARK(captureOfOneKilobyteFromWlCopy)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(100);

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int measureIdle(int seconds)
{
    Fixture fixture;
    QProcess::execute(QStringLiteral("wl-copy"), {QStringLiteral("a live clipboard")});
    fixture.waitForEntry(QStringLiteral("a live clipboard"));
    const double cpuBefore = cpuSeconds();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double used = cpuSeconds() - cpuBefore;
    std::printf("idle on Wayland: %.3f s of CPU in %d s = %.4f%% of one core "
                "(target: under 0.05%%)\n",
                used, seconds, 100.0 * used / seconds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return quillet::bench::runBenchmarks<QApplication>(argc, argv, measureIdle);
}
