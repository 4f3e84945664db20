// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

namespace quillet::ui {

// Which entries a search shows: those whose text, or else whose source
// application name, contains the trimmed query, compared case-insensitively
// by full Unicode case folding in the user's locale. The folded form of each
// entry is remembered until its text changes, so a keystroke folds only the
// query.
class HistoryFilter final
{
public:
    explicit HistoryFilter(QString localeName = QString());

    static QString trimmedQuery(const QString &query);

    // The matching entries in the order given; all of them for a blank query.
    QList<history::ClipboardItem> apply(const QList<history::ClipboardItem> &items,
                                        const QString &query);

    QString folded(const QString &text) const;
    qsizetype cachedCount() const { return m_texts.size() + m_sources.size(); }

private:
    void forgetAllBut(const QList<history::ClipboardItem> &items);
    const QString &foldedCached(const QUuid &id, const QString &text,
                                QHash<QUuid, std::pair<QString, QString>> &cache);

    bool m_turkic = false;
    QHash<QUuid, std::pair<QString, QString>> m_texts;
    QHash<QUuid, std::pair<QString, QString>> m_sources;
};

} // namespace quillet::ui
