// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"

#include <QByteArray>
#include <QObject>

namespace quillet::platform {

// What a clipboard worker thread hands on: called on that thread.
struct ClipboardDelivery
{
    std::function<void(std::uint64_t serial)> noticed;
    std::function<void(ClipboardChange change)> read;
};

// A clipboard whose reads and writes run on a worker thread: it carries the
// worker's results over to the main thread, to the current watcher.
class QueuedClipboard : public QObject, public Clipboard
{
    Q_OBJECT

public:
    void watch(Watcher watcher) final;
    void setText(const QString &text) final;
    void setPrimaryText(const QString &text) final;

protected:
    QueuedClipboard() = default;
    // Callbacks for the worker, which post to this object's thread. The
    // worker must be stopped before this object is destroyed.
    ClipboardDelivery delivery();

    virtual void setWorkerWatching(bool watching, std::function<bool(QStringView)> enough) = 0;
    virtual void setWorkerText(QByteArray utf8, Selection selection) = 0;

private:
    Watcher m_watcher;
};

} // namespace quillet::platform
