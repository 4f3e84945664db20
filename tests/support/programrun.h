// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "historycodec.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace quillet::tests {

// Runs a tool to its end; returns its output.
inline QByteArray run(const QString &program, const QStringList &arguments,
                      int *exitCode = nullptr, const QByteArray &input = QByteArray())
{
    QProcess process;
    process.start(program, arguments);
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput();
}

// The entries of a history file as the program left it; none when there is
// no readable file.
inline QList<history::ClipboardItem> historyIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return history::HistoryCodec::decode(file.readAll()).value_or(QList<history::ClipboardItem>{});
}

inline QStringList historyTextsIn(const QString &path)
{
    QStringList texts;
    for (const history::ClipboardItem &item : historyIn(path))
        texts << item.text;
    return texts;
}

// Runs one of the program's actions as a desktop binds it to a key.
inline int gapplicationAction(const QString &action)
{
    int exitCode = -1;
    run(QStringLiteral("gapplication"),
        {QStringLiteral("action"), QStringLiteral("io.quillet.Quillet"), action}, &exitCode);
    return exitCode;
}

} // namespace quillet::tests
