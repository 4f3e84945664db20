// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard monitor on the real desktop services. Runs on an X display:
// bench/run-on-xvfb.sh starts a private one.
//   bench_capture                      the poll and capture benchmarks
//   bench_capture --idle-seconds=60    CPU used by a polling monitor left idle
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "systemclock.h"

#include "qtbenchmarkmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <new>
#include <sys/resource.h>

namespace {

std::atomic<long long> allocations{0};

} // namespace

void *operator new(std::size_t size)
{
    ++allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

using namespace quillet;

namespace {

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
            *store, *services.clipboard, *services.frontmostApplication, *services.scheduler);
    }

    void copyElsewhere(const QByteArray &text)
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-i")});
        xclip.waitForStarted();
        xclip.write(text);
        xclip.closeWriteChannel();
        xclip.waitForFinished(-1);
        while (services.clipboard->changeCount() == monitor->lastChangeCount())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

void pollWithoutChange(benchmark::State &state)
{
    Fixture fixture;
    const long long before = allocations.load();
    for (auto _ : state)
        fixture.monitor->poll();
    state.counters["allocations"] = static_cast<double>(allocations.load() - before);
    state.SetLabel("target: under 1 us, nothing allocated");
}
BENCHMARK(pollWithoutChange);

void captureOfOneKilobyte(benchmark::State &state)
{
    Fixture fixture;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QByteArray text = QByteArray::number(round++) + ' ';
        text += QByteArray(1024 - text.size(), 'k');
        fixture.copyElsewhere(text);
        state.ResumeTiming();
        fixture.monitor->poll();
    }
    state.counters["entries"] = static_cast<double>(fixture.store->items().size());
    state.SetLabel("read from another X client, captured and saved (tmpfs)");
}
BENCHMARK(captureOfOneKilobyte)->Unit(benchmark::kMicrosecond)->Iterations(200);

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
    fixture.copyElsewhere("a live clipboard owned by another program");
    fixture.monitor->start();
    const double cpuBefore = cpuSeconds();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double used = cpuSeconds() - cpuBefore;
    std::printf("idle monitor: %.3f s of CPU in %d s = %.4f%% of one core "
                "(target: under 0.05%%)\n",
                used, seconds, 100.0 * used / seconds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return quillet::bench::runBenchmarks<QApplication>(argc, argv, measureIdle);
}
