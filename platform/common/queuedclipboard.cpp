// SPDX-License-Identifier: GPL-3.0-or-later
#include "queuedclipboard.h"

#include <algorithm>

namespace quillet::platform {

void QueuedClipboard::watch(Watcher watcher)
{
    m_watcher = std::move(watcher);
    setWorkerWatching(bool(m_watcher.read), m_watcher.enough);
}

void QueuedClipboard::setText(const QString &text)
{
    setWorkerText({text.toUtf8()}, Selection::Clipboard);
}

void QueuedClipboard::restoreText(const QString &text, std::uint64_t serial)
{
    setWorkerText({text.toUtf8(), serial}, Selection::Clipboard);
}

void QueuedClipboard::setPrimaryText(const QString &text)
{
    setWorkerText({text.toUtf8()}, Selection::Primary);
}

ClipboardDelivery QueuedClipboard::delivery()
{
    return {
        [this](std::uint64_t serial) {
            report({serial, std::nullopt});
        },
        [this](ClipboardChange change) {
            report({0, std::move(change)});
        },
    };
}

void QueuedClipboard::report(Report report)
{
    // Workers drop the changes that were replaced before they could be
    // read, so this many are only ever waiting when the main thread is
    // stuck; the oldest notices then go first, and reads only after them.
    constexpr std::size_t maxWaiting = 256;
    const std::lock_guard lock(m_reportsMutex);
    // Of changes noticed one after another, only the last can still be read
    // (the worker skips the others), so only its notice is worth handing on.
    if (!report.read && !m_reports.empty() && !m_reports.back().read) {
        m_reports.back() = std::move(report);
        return;
    }
    if (m_reports.size() >= maxWaiting) {
        const auto notice = std::find_if(m_reports.begin(), m_reports.end(),
                                         [](const Report &waiting) { return !waiting.read; });
        m_reports.erase(notice != m_reports.end() ? notice : m_reports.begin());
    }
    m_reports.push_back(std::move(report));
    if (!m_handOverQueued) {
        m_handOverQueued = true;
        QMetaObject::invokeMethod(this, &QueuedClipboard::handOver, Qt::QueuedConnection);
    }
}

void QueuedClipboard::handOver()
{
    std::deque<Report> reports;
    {
        const std::lock_guard lock(m_reportsMutex);
        reports.swap(m_reports);
        m_handOverQueued = false;
    }
    for (const Report &report : reports) {
        if (report.read) {
            if (m_watcher.read)
                m_watcher.read(*report.read);
        } else if (m_watcher.changed) {
            m_watcher.changed(report.noticedSerial);
        }
    }
}

} // namespace quillet::platform
