// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyview.h"

#include "clipboardstore.h"
#include "scheduler.h"

namespace quillet::ui {

HistoryView::HistoryView(history::ClipboardStore &store, CopyAction copyAction,
                         const platform::Clock &clock, platform::Scheduler &scheduler,
                         QObject *parent)
    : QObject(parent), m_store(store), m_copyAction(std::move(copyAction)), m_scheduler(scheduler),
      m_model(clock), m_self(std::make_shared<HistoryView *>(this))
{
    connect(&m_store, &history::ClipboardStore::objectWillChange, this,
            &HistoryView::scheduleRefresh);
    refresh();
}

void HistoryView::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    m_scheduler.runSoon([self = std::weak_ptr<HistoryView *>(m_self)] {
        if (const auto view = self.lock())
            (*view)->refresh();
    });
}

void HistoryView::refresh()
{
    m_refreshPending = false;
    const bool wasEmpty = listEmpty();
    m_model.setItems(m_filter.apply(m_store.items(), m_searchText));
    Q_EMIT storeChanged();
    if (wasEmpty != listEmpty())
        Q_EMIT listChanged();
}

void HistoryView::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
    refresh();
}

QString HistoryView::savedCountText() const
{
    return tr("%n saved", nullptr, static_cast<int>(m_store.items().size()));
}

QString HistoryView::emptyText() const
{
    return m_store.items().isEmpty() ? tr("No copied text yet") : tr("No results");
}

bool HistoryView::clearEnabled() const
{
    return !m_store.items().isEmpty();
}

bool HistoryView::isPaused() const
{
    return m_store.isPaused();
}

void HistoryView::setPaused(bool paused)
{
    m_store.setPaused(paused);
}

std::optional<history::ClipboardItem> HistoryView::shownItem(const QString &id) const
{
    const qsizetype row = m_model.indexOfId(QUuid(id));
    if (row < 0)
        return std::nullopt;
    return m_model.items().at(row);
}

void HistoryView::setCopiedItemID(const QUuid &id)
{
    if (id == m_copiedItemID)
        return;
    m_copiedItemID = id;
    m_model.setCopiedId(id);
    Q_EMIT copiedItemIDChanged();
}

void HistoryView::copy(const QString &id)
{
    const auto item = shownItem(id);
    if (!item)
        return;
    setCopiedItemID(item->id);
    m_copyAction(*item);
    // A later copy's feedback is never cut short by an earlier copy's reset.
    m_scheduler.runAfter(copiedFeedbackMs,
                         [self = std::weak_ptr<HistoryView *>(m_self), copied = item->id] {
                             const auto view = self.lock();
                             if (view && (*view)->m_copiedItemID == copied)
                                 (*view)->setCopiedItemID(QUuid());
                         });
}

void HistoryView::remove(const QString &id)
{
    if (const auto item = shownItem(id))
        m_store.remove(*item);
}

void HistoryView::clear()
{
    m_store.clear();
}

void HistoryView::copyRow(int row)
{
    if (row >= 0 && row < m_model.rowCount())
        copy(m_model.index(row).data(HistoryListModel::IdRole).toString());
}

void HistoryView::removeRow(int row)
{
    if (row >= 0 && row < m_model.rowCount())
        remove(m_model.index(row).data(HistoryListModel::IdRole).toString());
}

QString HistoryView::clipboardText() const
{
    if (!m_clipboardText)
        return {};
    return m_clipboardText().value_or(QString());
}

} // namespace quillet::ui
