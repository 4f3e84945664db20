// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"
#include "historyfile.h"

#include <QList>

#include <chrono>
#include <memory>
#include <thread>

namespace quillet::history {

// Writes the history file on a thread of its own, so that no disk, however
// slow or full, makes the caller wait. The caller hands over the whole list
// after each change; the list's data is shared, not copied. One write runs
// at a time; lists handed over meanwhile are folded into one next write of
// the newest, so that the file never goes back to an older state and every
// change reaches it within about one write's time.
class HistoryWriter final
{
public:
    // How long the end of the program waits for the last write.
    static constexpr std::chrono::seconds finishTimeout{5};

    explicit HistoryWriter(HistoryFile file);
    // Writes what is still pending, waiting finishTimeout at most (and
    // saying so when that is not enough).
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter &) = delete;
    HistoryWriter &operator=(const HistoryWriter &) = delete;

    void save(QList<ClipboardItem> items);
    // Waits until every list handed over is written (or has failed); false
    // when `timeout` passed first.
    bool waitUntilWritten(std::chrono::milliseconds timeout);

private:
    struct Shared;
    static void run(const std::shared_ptr<Shared> &shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace quillet::history
