// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"

#include <QByteArray>
#include <QObject>

#include <deque>
#include <mutex>
#include <optional>

namespace quillet::platform {

// A text for a clipboard worker to offer.
struct TextToSet
{
    QByteArray utf8;
    // When not 0: only if no change after this one has been noticed.
    std::uint64_t unlessChangedAfter = 0;
};

// What a clipboard worker thread hands on: called on that thread.
struct ClipboardDelivery
{
    std::function<void(std::uint64_t serial)> noticed;
    std::function<void(ClipboardChange change)> read;
};

// A clipboard whose reads and writes run on a worker thread: it carries the
// worker's results over to the main thread, to the current watcher, in
// order. At most one hand-over is queued on the main thread at a time, and
// what waits for it is bounded: however fast other programs change the
// clipboard, the main thread's queue and this program's memory stay small.
class QueuedClipboard : public QObject, public Clipboard
{
    Q_OBJECT

public:
    void watch(Watcher watcher) final;
    void setText(const QString &text) final;
    void setPrimaryText(const QString &text) final;
    void restoreText(const QString &text, std::uint64_t serial) final;

protected:
    QueuedClipboard() = default;
    // Callbacks for the worker, which post to this object's thread. The
    // worker must be stopped before this object is destroyed.
    ClipboardDelivery delivery();

    virtual void setWorkerWatching(bool watching, std::function<bool(QStringView)> enough) = 0;
    virtual void setWorkerText(TextToSet text, Selection selection) = 0;

private:
    // One thing the worker learnt, waiting for the main thread.
    struct Report
    {
        std::uint64_t noticedSerial = 0; // a change noticed, when not 0
        std::optional<ClipboardChange> read;
    };
    void report(Report report);
    void handOver();

    Watcher m_watcher;
    std::mutex m_reportsMutex;
    std::deque<Report> m_reports;
    bool m_handOverQueued = false;
};

} // namespace quillet::platform
