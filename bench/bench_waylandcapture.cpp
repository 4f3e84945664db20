// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard monitor on a Wayland compositor with data control. Runs in a
// Wayland session: bench/run-on-sway.sh starts a private headless sway.
//   bench_waylandcapture                      a copy made with wl-copy
//   bench_waylandcapture --idle-seconds=60    CPU used with the connection open
#include "capturefixture.h"

#include "qtbenchmarkmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <ctime>

using namespace quillet;

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

using Fixture = quillet::bench::CaptureFixture;

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

int measureIdle(int seconds)
{
    Fixture fixture;
    QProcess::execute(QStringLiteral("wl-copy"), {QStringLiteral("a live clipboard")});
    fixture.waitForEntry(QStringLiteral("a live clipboard"));
    quillet::bench::printIdleCpu("idle on Wayland", seconds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return quillet::bench::runBenchmarks<QApplication>(argc, argv, measureIdle);
}
