// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardmonitor.h"

#include "clipboard.h"
#include "clipboardstore.h"
#include "clock.h"
#include "frontmostapplication.h"
#include "log.h"
#include "unicodetext.h"

namespace quillet::capture {

namespace {

// Changes noticed but not read yet are few; past this many the oldest are
// read without their source rather than kept without bound.
constexpr std::size_t maxNoticedChanges = 256;

} // namespace

ClipboardMonitor::ClipboardMonitor(history::ClipboardStore &store, platform::Clipboard &clipboard,
                                   platform::FrontmostApplication &frontmostApplication,
                                   const platform::Clock &clock)
    : m_store(store), m_clipboard(clipboard), m_frontmostApplication(frontmostApplication),
      m_clock(clock)
{}

ClipboardMonitor::~ClipboardMonitor()
{
    if (m_started)
        m_clipboard.watch({});
}

void ClipboardMonitor::start()
{
    if (m_started)
        return;
    m_started = true;
    m_clipboard.watch({
        [this](std::uint64_t serial) { changeNoticed(serial); },
        [this](const platform::ClipboardChange &change) { changeRead(change); },
        [](QStringView textSoFar) {
            return history::UnicodeText::determinesLeadingGraphemes(
                textSoFar, history::ClipboardStore::textLimit);
        },
    });
}

void ClipboardMonitor::changeNoticed(std::uint64_t serial)
{
    if (m_noticed.size() == maxNoticedChanges)
        m_noticed.pop_front();
    m_noticed.push_back({serial, m_frontmostApplication.name()});
}

std::optional<QString> ClipboardMonitor::sourceOf(std::uint64_t serial)
{
    while (!m_noticed.empty() && m_noticed.front().serial < serial)
        m_noticed.pop_front();
    if (m_noticed.empty() || m_noticed.front().serial != serial)
        return m_frontmostApplication.name();
    const NoticedChange noticed = m_noticed.front();
    m_noticed.pop_front();
    return noticed.source;
}

bool ClipboardMonitor::isRepeatedAssertion(const platform::ClipboardChange &change) const
{
    return m_lastCopy && change.owner != 0 && change.owner == m_lastCopy->owner &&
           *change.text == m_lastCopy->text &&
           m_clock.now() - m_lastCopy->at < repeatedAssertionSeconds;
}

// Another clipboard keeper (KDE's, GNOME's settings daemon) taking the same
// text right after its owner went away.
bool ClipboardMonitor::isKeptByAnotherKeeper(const platform::ClipboardChange &change) const
{
    return m_vanished && *change.text == m_vanished->text &&
           m_clock.now() - m_vanished->at < keeperSeconds;
}

// The copy that was recorded last stays on the clipboard, as our own write,
// when the program that made it goes away: it is no new copy.
void ClipboardMonitor::keepAfterOwnerWentAway(std::uint64_t serial)
{
    m_vanished.reset();
    if (!m_keepable)
        return;
    m_vanished = LastCopy{0, *m_keepable, m_clock.now()};
    m_clipboard.restoreText(*m_keepable, serial);
    m_currentText = std::exchange(m_keepable, std::nullopt);
}

void ClipboardMonitor::changeRead(const platform::ClipboardChange &change)
{
    std::optional<QString> source = sourceOf(change.serial);
    m_currentText = change.text;
    m_store.purgeExpired(true);
    if (change.ownerGone) {
        keepAfterOwnerWentAway(change.serial);
        return;
    }
    const std::optional<QString> keepable = std::exchange(m_keepable, std::nullopt);
    m_clipboard.setKeepable(change.serial, !change.secret && !m_store.isPaused());
    if (change.secret) {
        platform::logLine(QStringLiteral("skipped a copy that its owner marked as secret"));
        return;
    }
    if (!change.text)
        return;
    if (isRepeatedAssertion(change)) {
        m_keepable = keepable;
        return;
    }
    if (isKeptByAnotherKeeper(change)) {
        m_keepable = change.text;
        return;
    }
    m_lastCopy = LastCopy{change.owner, *change.text, m_clock.now()};
    if (!m_store.isPaused())
        m_keepable = change.text;
    m_store.capture(*change.text, source);
}

void ClipboardMonitor::copyToClipboard(const history::ClipboardItem &item, bool markAsCopied)
{
    m_clipboard.setText(item.text);
    m_currentText = item.text;
    m_lastCopy.reset();
    if (markAsCopied)
        m_store.markCopied(item);
}

void ClipboardMonitor::offerAsPrimarySelection(const QString &text)
{
    m_clipboard.setPrimaryText(text);
}

} // namespace quillet::capture
