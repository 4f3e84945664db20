// SPDX-License-Identifier: GPL-3.0-or-later
#include "historylistmodel.h"

#include "clock.h"
#include "rowpreview.h"

#include <QSet>

namespace quillet::ui {

namespace {

constexpr qsizetype maxEdits = 64;

} // namespace

HistoryListModel::HistoryListModel(const platform::Clock &clock, QObject *parent)
    : QAbstractListModel(parent), m_clock(clock)
{}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const history::ClipboardItem &item = m_items.at(index.row());
    switch (role) {
    case IdRole:
        return item.id.toString(QUuid::WithoutBraces);
    case TextRole:
        return RowPreview::of(item.text);
    case RelativeTimeRole:
        return m_formatter.phrase(item.lastCopiedAt, m_clock.now());
    case SourceAppRole:
        return item.sourceApp.value_or(QString());
    case CopyCountRole:
        return static_cast<qlonglong>(item.copyCount);
    case CopyCountTextRole:
        // Made here, 64-bit: QML's int would wrap counts past 2^31.
        return item.copyCount > 1 ? QString::number(item.copyCount) + u'x' : QString();
    case IsCopiedRole:
        return !m_copiedId.isNull() && item.id == m_copiedId;
    default:
        return {};
    }
}

QHash<int, QByteArray> HistoryListModel::roleNames() const
{
    return {{IdRole, "entryId"},
            {TextRole, "text"},
            {RelativeTimeRole, "relativeTime"},
            {SourceAppRole, "sourceApp"},
            {CopyCountTextRole, "copyCountText"},
            {IsCopiedRole, "isCopied"}};
}

qsizetype HistoryListModel::indexOfId(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].id == id)
            return i;
    }
    return -1;
}

void HistoryListModel::setItems(const QList<history::ClipboardItem> &items)
{
    if (!applyAsEdits(items)) {
        beginResetModel();
        m_items = items;
        endResetModel();
        return;
    }
    // Every row is drawn again: its relative time is as fresh as the drawing.
    if (!m_items.isEmpty())
        Q_EMIT dataChanged(index(0), index(static_cast<int>(m_items.size()) - 1));
}

// Turns the current rows into `items` with single-row edits; false when that
// would take too many of them.
bool HistoryListModel::applyAsEdits(const QList<history::ClipboardItem> &items)
{
    QSet<QUuid> wanted;
    for (const auto &item : items)
        wanted.insert(item.id);
    if (wanted.size() != items.size()) // repeated ids: rows cannot be told apart
        return false;
    qsizetype edits = 0;
    for (const auto &item : std::as_const(m_items))
        edits += wanted.contains(item.id) ? 0 : 1;
    if (edits > maxEdits || items.size() - (m_items.size() - edits) > maxEdits)
        return false;

    for (qsizetype row = m_items.size() - 1; row >= 0; --row) {
        if (wanted.contains(m_items[row].id))
            continue;
        beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
        m_items.removeAt(row);
        endRemoveRows();
    }
    for (qsizetype row = 0; row < items.size(); ++row) {
        if (row < m_items.size() && m_items[row].id == items[row].id) {
            m_items[row] = items[row];
            continue;
        }
        const qsizetype from = indexOfId(items[row].id);
        if (from < 0) {
            beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
            m_items.insert(row, items[row]);
            endInsertRows();
        } else {
            if (++edits > maxEdits * 2)
                return false;
            beginMoveRows({}, static_cast<int>(from), static_cast<int>(from), {},
                          static_cast<int>(row));
            m_items.move(from, row);
            endMoveRows();
            m_items[row] = items[row];
        }
    }
    return true;
}

void HistoryListModel::setCopiedId(const QUuid &id)
{
    const QUuid previous = std::exchange(m_copiedId, id);
    for (const QUuid &changed : {previous, id}) {
        const qsizetype row = changed.isNull() ? -1 : indexOfId(changed);
        if (row >= 0)
            Q_EMIT dataChanged(index(static_cast<int>(row)), index(static_cast<int>(row)),
                               {IsCopiedRole});
    }
}

} // namespace quillet::ui
