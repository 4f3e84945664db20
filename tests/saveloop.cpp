// SPDX-License-Identifier: GPL-3.0-or-later
// Saves the history in a loop until killed, with a umask that would make
// every new file world-readable; prints one line after each save.
#include "clipboardstore.h"
#include "systemclock.h"

#include <QCoreApplication>

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::umask(0);
    quillet::platform::SystemClock clock;
    quillet::history::ClipboardStore store(clock);
    const QString filler = QStringLiteral("some text to make each save take a while ").repeated(50);
    for (int i = 0;; ++i) {
        store.capture(QStringLiteral("save %1 ").arg(i % 20) + filler, QStringLiteral("Saver"));
        std::printf("saved\n");
        std::fflush(stdout);
    }
}
