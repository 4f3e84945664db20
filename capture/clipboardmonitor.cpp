// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardmonitor.h"

#include "clipboard.h"
#include "clipboardstore.h"
#include "frontmostapplication.h"
#include "scheduler.h"

namespace quillet::capture {

ClipboardMonitor::ClipboardMonitor(history::ClipboardStore &store, platform::Clipboard &clipboard,
                                   platform::FrontmostApplication &frontmostApplication,
                                   platform::Scheduler &scheduler)
    : m_store(store), m_clipboard(clipboard), m_frontmostApplication(frontmostApplication),
      m_scheduler(scheduler), m_lastChangeCount(clipboard.changeCount())
{}

ClipboardMonitor::~ClipboardMonitor() = default;

void ClipboardMonitor::start()
{
    m_timer.reset();
    m_timer = m_scheduler.startRepeating(pollIntervalMs, pollToleranceMs, [this] { poll(); });
}

void ClipboardMonitor::poll()
{
    const std::int64_t changeCount = m_clipboard.changeCount();
    if (changeCount == m_lastChangeCount)
        return;
    // Recorded first, so that each change is looked at once whatever follows.
    m_lastChangeCount = changeCount;
    m_store.purgeExpired(true);
    const std::optional<QString> text = m_clipboard.text();
    if (!text)
        return;
    m_store.capture(*text, m_frontmostApplication.name());
}

void ClipboardMonitor::copyToClipboard(const history::ClipboardItem &item, bool markAsCopied)
{
    m_clipboard.clear();
    m_clipboard.setText(item.text);
    m_lastChangeCount = m_clipboard.changeCount();
    if (markAsCopied)
        m_store.markCopied(item);
}

} // namespace quillet::capture
