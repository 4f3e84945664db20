// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <cstdint>
#include <memory>

namespace quillet::platform {
class Clipboard;
class FrontmostApplication;
class RepeatingTimer;
class Scheduler;
} // namespace quillet::platform

namespace quillet::history {
class ClipboardStore;
}

namespace quillet::capture {

// The program's link to the clipboard: polls its change counter and hands
// each new plain text, with the frontmost application's name, to the store;
// writes entries back without capturing them again.
class ClipboardMonitor final
{
public:
    static constexpr int pollIntervalMs = 700;
    static constexpr int pollToleranceMs = 250;

    // The services and the store must outlive the monitor. Whatever is on
    // the clipboard now is not captured.
    ClipboardMonitor(history::ClipboardStore &store, platform::Clipboard &clipboard,
                     platform::FrontmostApplication &frontmostApplication,
                     platform::Scheduler &scheduler);
    ~ClipboardMonitor();
    ClipboardMonitor(const ClipboardMonitor &) = delete;
    ClipboardMonitor &operator=(const ClipboardMonitor &) = delete;

    // Starts polling; a second call replaces the timer.
    void start();
    // One tick: reads nothing but the counter unless the clipboard changed.
    void poll();
    void copyToClipboard(const history::ClipboardItem &item, bool markAsCopied = true);

    std::int64_t lastChangeCount() const { return m_lastChangeCount; }

private:
    history::ClipboardStore &m_store;
    platform::Clipboard &m_clipboard;
    platform::FrontmostApplication &m_frontmostApplication;
    platform::Scheduler &m_scheduler;
    std::int64_t m_lastChangeCount;
    // Destroyed with the monitor, so no tick ever reaches a monitor that is gone.
    std::unique_ptr<platform::RepeatingTimer> m_timer;
};

} // namespace quillet::capture
