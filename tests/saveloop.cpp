// SPDX-License-Identifier: GPL-3.0-or-later
// A storm of copies for the store, as the program meets one: a copy every
// 20 ms on the event loop, each printed as "copied N" once the store has it,
// until the process is killed or ended with SIGTERM (which quits as the
// program does). Runs with a umask that would make every new file
// world-readable.
#include "clipboardstore.h"
#include "quitonsignal.h"
#include "systemclock.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::umask(0);
    const QString round = app.arguments().value(1);
    quillet::platform::SystemClock clock;
    quillet::history::ClipboardStore store(clock);
    const quillet::app::QuitOnSignal quitOnSignal;
    int count = 0;
    QTimer storm;
    QObject::connect(&storm, &QTimer::timeout, [&] {
        store.capture(QStringLiteral("copy %1-%2").arg(round).arg(count), QStringLiteral("Saver"));
        std::printf("copied %d\n", count++);
        std::fflush(stdout);
    });
    storm.start(20);
    return QCoreApplication::exec();
}
