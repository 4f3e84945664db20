// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyfilter.h"

#include "unicodetext.h"

#include <QLocale>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace quillet::ui {

HistoryFilter::HistoryFilter(QString localeName)
{
    if (localeName.isEmpty())
        localeName = QLocale().name();
    const QString language = localeName.section(u'_', 0, 0);
    m_turkic = language == QLatin1String("tr") || language == QLatin1String("az");
}

QString HistoryFilter::trimmedQuery(const QString &query)
{
    return history::UnicodeText::trimmed(query);
}

// Case folding, then composition, so that "Straße" finds "STRASSE" and a
// precomposed "é" finds a decomposed one, but "e" does not find "é".
QString HistoryFilter::folded(const QString &text) const
{
    // Turkic folding maps "I" to dotless "ı": ASCII text must go the same
    // way as any other, or "KIRMIZI" would not find "KIRMIZI ışık".
    bool ascii = !m_turkic;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLower();
    icu::UnicodeString folded(reinterpret_cast<const char16_t *>(text.utf16()),
                              static_cast<int32_t>(text.size()));
    folded.foldCase(m_turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_SUCCESS(status))
        folded = nfc->normalize(folded, status);
    return QString(reinterpret_cast<const QChar *>(folded.getBuffer()), folded.length());
}

const QString &HistoryFilter::foldedCached(const QUuid &id, const QString &text,
                                           QHash<QUuid, std::pair<QString, QString>> &cache)
{
    auto found = cache.find(id);
    if (found == cache.end() || !(found->first.isSharedWith(text) || found->first == text))
        found = cache.insert(id, {text, folded(text)});
    return found->second;
}

QList<history::ClipboardItem> HistoryFilter::apply(const QList<history::ClipboardItem> &items,
                                                   const QString &query)
{
    const QString trimmed = trimmedQuery(query);
    if (trimmed.isEmpty())
        return items;
    const QString needle = folded(trimmed);
    QList<history::ClipboardItem> kept;
    for (const history::ClipboardItem &item : items) {
        // A literal substring always matches, whatever the folding does.
        if (item.text.contains(trimmed) ||
            foldedCached(item.id, item.text, m_texts).contains(needle) ||
            (item.sourceApp && foldedCached(item.id, *item.sourceApp, m_sources).contains(needle)))
            kept.append(item);
    }
    forgetAllBut(items);
    return kept;
}

// The folded forms of entries that are gone (deleted, cleared, expired)
// are let go, so that the cache never holds more than the live entries.
void HistoryFilter::forgetAllBut(const QList<history::ClipboardItem> &items)
{
    if (m_texts.size() <= items.size() && m_sources.size() <= items.size())
        return;
    QSet<QUuid> live;
    live.reserve(items.size());
    for (const history::ClipboardItem &item : items)
        live.insert(item.id);
    for (auto *cache : {&m_texts, &m_sources})
        cache->removeIf([&](const auto &entry) { return !live.contains(entry.key()); });
}

} // namespace quillet::ui
