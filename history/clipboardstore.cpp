// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardstore.h"

#include "appidentity.h"
#include "clock.h"
#include "unicodetext.h"

#include <algorithm>
#include <limits>

namespace quillet::history {

namespace {

void increment(std::int64_t &count)
{
    if (count < std::numeric_limits<std::int64_t>::max())
        ++count;
}

} // namespace

ClipboardStore::ClipboardStore(const platform::Clock &clock, QString filePath, QObject *parent)
    : QObject(parent), m_clock(clock), m_file(std::move(filePath))
{
    if (auto loaded = m_file.load()) {
        Q_EMIT objectWillChange();
        m_items = std::move(*loaded);
        sortNewestFirst();
    }
    purgeExpired(true);
}

ClipboardStore::ClipboardStore(const platform::Clock &clock, QObject *parent)
    : ClipboardStore(clock, HistoryFile::defaultPath(), parent)
{}

void ClipboardStore::setPaused(bool paused)
{
    Q_EMIT objectWillChange();
    m_paused = paused;
}

void ClipboardStore::capture(const QString &text, const std::optional<QString> &sourceApp)
{
    if (m_paused)
        return;
    QString kept = UnicodeText::trimmed(text);
    if (kept.isEmpty())
        return;
    kept =
        UnicodeText::wellFormed(UnicodeText::truncatedToGraphemes(kept, textLimit, textUnitLimit));
    const platform::Timestamp now = m_clock.now();

    Q_EMIT objectWillChange();
    const qsizetype match = indexOfText(kept);
    if (match >= 0) {
        ClipboardItem &entry = m_items[match];
        entry.lastCopiedAt = now;
        if (sourceApp)
            entry.sourceApp = sourceApp;
        increment(entry.copyCount);
    } else {
        m_items.append(ClipboardItem(std::move(kept), sourceApp, now));
    }
    purgeExpired(false);
    sortNewestFirst();
    save();
}

void ClipboardStore::markCopied(const ClipboardItem &item)
{
    const qsizetype index = indexOfId(item.id);
    if (index < 0)
        return;
    Q_EMIT objectWillChange();
    ClipboardItem &entry = m_items[index];
    entry.lastCopiedAt = m_clock.now();
    increment(entry.copyCount);
    sortNewestFirst();
    save();
}

void ClipboardStore::remove(const ClipboardItem &item)
{
    Q_EMIT objectWillChange();
    m_items.removeIf([&](const ClipboardItem &entry) { return entry.id == item.id; });
    save();
}

void ClipboardStore::clear()
{
    Q_EMIT objectWillChange();
    m_items.clear();
    save();
}

void ClipboardStore::purgeExpired(bool saveAfterPurge)
{
    const platform::Timestamp cutoff = m_clock.now() - retentionWindow;
    const qsizetype before = m_items.size();
    Q_EMIT objectWillChange();
    m_items.removeIf([&](const ClipboardItem &entry) { return entry.lastCopiedAt < cutoff; });
    if (saveAfterPurge && m_items.size() != before)
        save();
}

qsizetype ClipboardStore::indexOfText(const QString &text) const
{
    const QString decomposed = UnicodeText::decomposed(text);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (UnicodeText::equalsDecomposed(m_items[i].text, decomposed))
            return i;
    }
    return -1;
}

qsizetype ClipboardStore::indexOfId(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].id == id)
            return i;
    }
    return -1;
}

void ClipboardStore::sortNewestFirst()
{
    Q_EMIT objectWillChange();
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const ClipboardItem &a, const ClipboardItem &b) {
                         if (a.lastCopiedAt != b.lastCopiedAt)
                             return a.lastCopiedAt > b.lastCopiedAt;
                         return a.firstCopiedAt > b.firstCopiedAt;
                     });
}

void ClipboardStore::save()
{
    m_file.save(m_items);
}

} // namespace quillet::history
