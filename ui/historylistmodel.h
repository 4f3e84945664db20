// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"
#include "relativetimeformatter.h"

#include <QAbstractListModel>
#include <QUuid>

namespace quillet::platform {
class Clock;
}

namespace quillet::ui {

// The rows the history window lists, keyed by entry id. Changes are applied
// as removals, insertions and moves of single rows where they are few, so
// that the list keeps its place and its rows; a large change resets it.
class HistoryListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        IdRole = Qt::UserRole + 1,
        TextRole,
        RelativeTimeRole,
        SourceAppRole,
        CopyCountRole,
        CopyCountTextRole,
        IsCopiedRole,
    };

    explicit HistoryListModel(const platform::Clock &clock, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void setItems(const QList<history::ClipboardItem> &items);
    void setCopiedId(const QUuid &id);
    const QList<history::ClipboardItem> &items() const { return m_items; }
    qsizetype indexOfId(const QUuid &id) const;

private:
    bool applyAsEdits(const QList<history::ClipboardItem> &items);

    const platform::Clock &m_clock;
    RelativeTimeFormatter m_formatter;
    QList<history::ClipboardItem> m_items;
    QUuid m_copiedId;
};

} // namespace quillet::ui
