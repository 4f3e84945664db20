// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QDBusMessage>
#include <QList>
#include <QStringList>

#include <optional>

namespace quillet::app {

// `quillet COMMAND …`: acts on the running instance through its history
// interface on the session bus and exits, without a display or any GUI.
// Only `list` works without a running instance, from the history file.
class CommandLine final
{
public:
    enum ExitStatus
    {
        Done = 0,
        NotRunning = 1,
        UsageError = 2,
        NoSuchEntry = 3,
    };

    // Whether the program was started with a command rather than to run.
    static bool isCommand(int argc) { return argc > 1; }
    static int run(int argc, char **argv);

private:
    explicit CommandLine(QStringList arguments);

    int execute();
    int list();
    int actOnEntry(const QString &method);
    int callWithoutEntry(const QDBusMessage &call);

    std::optional<QList<history::ClipboardItem>> runningHistory(uint limit, int *status) const;
    static std::optional<QList<history::ClipboardItem>> historyFromFile();
    int answer(const QDBusMessage &reply) const;
    int usageError(const QString &why) const;
    int notRunning() const;

    QStringList m_arguments;
    QString m_command;
};

} // namespace quillet::app
