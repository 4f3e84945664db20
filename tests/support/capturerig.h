// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "fakes/fakeclipboard.h"
#include "fakes/fakeclock.h"
#include "fakes/fakefrontmostapplication.h"
#include "fakes/fakescheduler.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quillet::tests {

// The texts of the history, newest first.
inline QStringList textsOf(const history::ClipboardStore &store)
{
    QStringList result;
    for (const auto &item : store.items())
        result << item.text;
    return result;
}

// A store in a temporary folder and a monitor on fake desktop services, made
// anew for each test function.
struct CaptureRig
{
    QTemporaryDir dir;
    FakeClock clock;
    FakeClipboard clipboard;
    FakeFrontmostApplication front;
    FakeScheduler scheduler;
    history::ClipboardStore store{clock, dir.filePath(QStringLiteral("history.json"))};
    std::unique_ptr<capture::ClipboardMonitor> monitor;

    // `atStart` is on the clipboard when the monitor is created.
    explicit CaptureRig(std::optional<QString> atStart = std::nullopt)
    {
        clipboard.copyFromElsewhere(std::move(atStart));
        monitor = std::make_unique<capture::ClipboardMonitor>(store, clipboard, front, clock);
        monitor->start();
    }

    QStringList texts() const { return textsOf(store); }
};

} // namespace quillet::tests
