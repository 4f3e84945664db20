// SPDX-License-Identifier: GPL-3.0-or-later
#include "historywriter.h"

#include "log.h"

#include <condition_variable>
#include <mutex>
#include <optional>

namespace quillet::history {

// Lives as long as the thread does: a thread still stuck in a write when
// the program ends is let go with it.
struct HistoryWriter::Shared
{
    explicit Shared(HistoryFile historyFile) : file(std::move(historyFile)) {}

    HistoryFile file; // the writing thread's alone
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<QList<ClipboardItem>> next;
    bool writing = false;
    bool stopping = false;
};

HistoryWriter::HistoryWriter(HistoryFile file)
    : m_shared(std::make_shared<Shared>(std::move(file))),
      m_thread([shared = m_shared] { run(shared); })
{}

HistoryWriter::~HistoryWriter()
{
    const bool finished = waitUntilWritten(finishTimeout);
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
    }
    m_shared->changed.notify_all();
    if (finished) {
        m_thread.join();
    } else {
        platform::logLine(QStringLiteral("could not finish saving the clipboard history "
                                         "within %1 s; the last changes may be lost")
                              .arg(finishTimeout.count()));
        m_thread.detach();
    }
}

void HistoryWriter::save(QList<ClipboardItem> items)
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->next = std::move(items);
    }
    m_shared->changed.notify_all();
}

bool HistoryWriter::waitUntilWritten(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, timeout,
                                      [this] { return !m_shared->next && !m_shared->writing; });
}

void HistoryWriter::run(const std::shared_ptr<Shared> &shared)
{
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->next || shared->stopping; });
        if (!shared->next)
            return; // stopping, with nothing left to write
        const QList<ClipboardItem> items = std::move(*shared->next);
        shared->next.reset();
        shared->writing = true;
        lock.unlock();
        shared->file.save(items);
        lock.lock();
        shared->writing = false;
        shared->changed.notify_all();
    }
}

} // namespace quillet::history
