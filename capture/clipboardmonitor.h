// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <optional>

namespace quillet::platform {
class Clipboard;
class Clock;
class FrontmostApplication;
struct ClipboardChange;
} // namespace quillet::platform

namespace quillet::history {
class ClipboardStore;
}

namespace quillet::capture {

// The program's link to the clipboard: hands each plain text that another
// program copies, with the name of the application in front at that moment,
// to the store; writes entries back without capturing them again.
class ClipboardMonitor final
{
public:
    // A second assertion of the same text by the same owner within this many
    // seconds is the same copy (some programs set the clipboard twice).
    static constexpr double repeatedAssertionSeconds = 0.5;
    // Another clipboard keeper that takes the text of a vanished owner
    // within this many seconds keeps that copy: it is no new one.
    static constexpr double keeperSeconds = 2.0;

    // The services, the clock and the store must outlive the monitor.
    // Whatever is on the clipboard now is not captured.
    ClipboardMonitor(history::ClipboardStore &store, platform::Clipboard &clipboard,
                     platform::FrontmostApplication &frontmostApplication,
                     const platform::Clock &clock);
    ~ClipboardMonitor();
    ClipboardMonitor(const ClipboardMonitor &) = delete;
    ClipboardMonitor &operator=(const ClipboardMonitor &) = delete;

    // Starts watching the clipboard; a second call changes nothing.
    void start();
    void copyToClipboard(const history::ClipboardItem &item, bool markAsCopied = true);

    // The clipboard's text as last read or written by us; none when it holds
    // something else. Lets this program paste without asking the owner.
    // Offers `text` as the primary selection as well, for terminals that
    // paste from it.
    void offerAsPrimarySelection(const QString &text);
    const std::optional<QString> &currentText() const { return m_currentText; }

private:
    void changeNoticed(std::uint64_t serial);
    void changeRead(const platform::ClipboardChange &change);
    std::optional<QString> sourceOf(std::uint64_t serial);
    bool isRepeatedAssertion(const platform::ClipboardChange &change) const;
    bool isKeptByAnotherKeeper(const platform::ClipboardChange &change) const;
    void keepAfterOwnerWentAway(std::uint64_t serial);

    struct NoticedChange
    {
        std::uint64_t serial;
        std::optional<QString> source;
    };
    struct LastCopy
    {
        std::uint64_t owner = 0;
        QString text;
        double at = 0;
    };

    history::ClipboardStore &m_store;
    platform::Clipboard &m_clipboard;
    platform::FrontmostApplication &m_frontmostApplication;
    const platform::Clock &m_clock;
    bool m_started = false;
    // The application in front when each change was noticed, until it is read.
    std::deque<NoticedChange> m_noticed;
    std::optional<LastCopy> m_lastCopy;
    std::optional<QString> m_currentText;
    // The text of the last change, where it was recorded (read, not secret,
    // not paused): what the clipboard keeps when its owner goes away.
    std::optional<QString> m_keepable;
    // The text whose owner went away last, and when.
    std::optional<LastCopy> m_vanished;
};

} // namespace quillet::capture
