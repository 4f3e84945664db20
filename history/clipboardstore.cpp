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
    : QObject(parent), m_clock(clock), m_filePath(std::move(filePath))
{
    HistoryFile file(m_filePath);
    if (auto loaded = file.load()) {
        Q_EMIT objectWillChange();
        m_items = std::move(*loaded);
        sortNewestFirst();
    }
    m_writer = std::make_unique<HistoryWriter>(std::move(file));
    purgeExpired(true);
}

ClipboardStore::~ClipboardStore() = default;

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

// Each entry's canonical form is hashed once, so that a capture costs the
// length of the new text rather than that of the whole history.
qsizetype ClipboardStore::indexOfText(const QString &text)
{
    const QString decomposed = UnicodeText::decomposed(text);
    const size_t hash = qHash(decomposed);
    if (m_decomposedHashes.size() > 2 * m_items.size() + 64)
        m_decomposedHashes.clear(); // mostly entries that are gone
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const ClipboardItem &item = m_items[i];
        auto known = m_decomposedHashes.constFind(item.id);
        if (known == m_decomposedHashes.cend())
            known = m_decomposedHashes.insert(item.id, qHash(UnicodeText::decomposed(item.text)));
        if (*known == hash && UnicodeText::equalsDecomposed(item.text, decomposed))
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
    std::stable_sort(m_items.begin(), m_items.end(), &ClipboardStore::isNewer);
}

bool ClipboardStore::isNewer(const ClipboardItem &a, const ClipboardItem &b)
{
    if (a.lastCopiedAt != b.lastCopiedAt)
        return a.lastCopiedAt > b.lastCopiedAt;
    return a.firstCopiedAt > b.firstCopiedAt;
}

void ClipboardStore::save()
{
    m_writer->save(m_items);
}

bool ClipboardStore::waitUntilSaved(std::chrono::milliseconds timeout)
{
    return m_writer->waitUntilWritten(timeout);
}

} // namespace quillet::history
