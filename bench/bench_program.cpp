// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program, as started by a user: time from start to the tray icon,
// `quillet list` of 1,000 entries, resident memory at idle and after showing
// the window with 1,000 entries,
// and (with --idle-seconds=N) its CPU use while idle. Needs an X display
// with a tray host: bench/run-on-xvfb.sh provides one.
#include "historycodec.h"
#include "historydata.h"
#include "systemclock.h"

#include "qtbenchmarkmain.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace quillet;

namespace {

QByteArray procField(qint64 pid, const char *file, const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed();
    }
    return {};
}

double residentMegabytes(qint64 pid)
{
    return procField(pid, "status", "VmRSS:").split(' ').first().toDouble() / 1024.0;
}

// User plus system CPU seconds of a process so far.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    stat.open(QIODevice::ReadOnly);
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs xdotool; true when it found what it searched for.
bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(-1);
    return process.exitCode() == 0;
}

struct RunningProgram
{
    QTemporaryDir data;
    QTemporaryDir runtime;
    QProcess process;

    explicit RunningProgram(int entries)
    {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (entries > 0) {
            QList<history::ClipboardItem> items;
            const double now = platform::SystemClock().now();
            for (int i = 0; i < entries; ++i)
                items.append(history::ClipboardItem(bench::sampleText(i),
                                                    QStringLiteral("Text Editor"), now - i));
            QDir().mkpath(data.filePath(QStringLiteral("Quillet")));
            QFile file(data.filePath(QStringLiteral("Quillet/history.json")));
            file.open(QIODevice::WriteOnly);
            file.write(history::HistoryCodec::encode(items).value());
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        process.setProcessEnvironment(environment);
    }
    ~RunningProgram()
    {
        process.kill();
        process.waitForFinished();
    }

    // Starts the program and returns the milliseconds until its tray icon is up.
    double startToTrayIcon()
    {
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(QUILLET_PROGRAM));
        // xdotool's own --sync looks only every half second; asking again at
        // once keeps the figure within a few milliseconds.
        while (!xdotool(
            {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("^quillet$")})) {
        }
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }
};

void startToTrayIcon(benchmark::State &state)
{
    for (auto _ : state) {
        RunningProgram program(0);
        state.SetIterationTime(program.startToTrayIcon() / 1000.0);
        state.PauseTiming();
        QThread::sleep(2); // let start-up work finish before reading memory
        state.counters["idle_resident_MB"] = residentMegabytes(program.process.processId());
        state.ResumeTiming();
    }
    state.SetLabel("to within a few ms; idle memory target: under 40 MB");
}
BENCHMARK(startToTrayIcon)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void memoryAfterShowingAThousandEntries(benchmark::State &state)
{
    for (auto _ : state) {
        RunningProgram program(1000);
        program.startToTrayIcon();
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+v")});
        xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                 QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QStringLiteral("^Quillet$")});
        QThread::sleep(2);
        state.counters["shown_resident_MB"] = residentMegabytes(program.process.processId());
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+v")});
        QThread::sleep(4); // hidden for a few seconds
        state.counters["hidden_resident_MB"] = residentMegabytes(program.process.processId());
    }
    state.SetLabel("targets: shown under 80 MB, hidden within 10 MB of idle");
}
BENCHMARK(memoryAfterShowingAThousandEntries)->Unit(benchmark::kMillisecond)->Iterations(1);

// `quillet list` as a script runs it, without a display: the whole process,
// with the program running (answering on the bus) and not (reading the file).
// Started with posix_spawn, as a shell would, and not through QProcess,
// whose own work in this process would be counted too.
void listAThousandEntries(benchmark::State &state)
{
    const bool running = state.range(0) != 0;
    RunningProgram program(1000);
    if (running)
        program.startToTrayIcon();
    QProcessEnvironment environment = program.process.processEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    std::vector<QByteArray> variables;
    for (const QString &variable : environment.toStringList())
        variables.push_back(variable.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const QByteArray output = program.data.filePath(QStringLiteral("listed")).toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char list[] = "list";
    char executable[] = QUILLET_PROGRAM;
    char *argv[] = {executable, list, nullptr};
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, executable, &actions, nullptr, argv, envp.data()) != 0 ||
            waitpid(pid, &status, 0) != pid) {
            state.SkipWithError("cannot run quillet list");
            break;
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    posix_spawn_file_actions_destroy(&actions);
    QFile listed(QString::fromLocal8Bit(output));
    listed.open(QIODevice::ReadOnly);
    state.counters["lines"] = static_cast<double>(listed.readAll().count('\n'));
    state.SetLabel(running ? "program running; target: under 50 ms"
                           : "program not running; target: under 50 ms");
}
BENCHMARK(listAThousandEntries)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

int measureIdle(int seconds)
{
    RunningProgram program(100);
    program.startToTrayIcon();
    QProcess::execute(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("printf live | xclip -selection clipboard")});
    QThread::sleep(2);
    const qint64 pid = program.process.processId();
    const double before = cpuSeconds(pid);
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double used = cpuSeconds(pid) - before;
    std::printf("idle program: %.3f s of CPU in %d s = %.4f%% of one core "
                "(target: under 0.05%%); resident %.1f MB (target: under 40 MB)\n",
                used, seconds, 100.0 * used / seconds, residentMegabytes(pid));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return quillet::bench::runBenchmarks<QCoreApplication>(argc, argv, measureIdle);
}
