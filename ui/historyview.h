// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"
#include "historyfilter.h"
#include "historylistmodel.h"

#include <QObject>
#include <QUuid>

#include <functional>

namespace quillet::platform {
class Clock;
class Scheduler;
} // namespace quillet::platform

namespace quillet::history {
class ClipboardStore;
}

namespace quillet::ui {

// What the history window shows and does: the search, the filtered list,
// the counts and texts around it, the pause switch and the copied feedback.
// The QML layout only binds to these properties and calls these actions.
class HistoryView final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(bool clearSearchVisible READ clearSearchVisible NOTIFY searchTextChanged)
    Q_PROPERTY(QAbstractItemModel *items READ itemsModel CONSTANT)
    Q_PROPERTY(QString savedCountText READ savedCountText NOTIFY storeChanged)
    Q_PROPERTY(bool listEmpty READ listEmpty NOTIFY listChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY storeChanged)
    Q_PROPERTY(bool clearEnabled READ clearEnabled NOTIFY storeChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setPaused NOTIFY storeChanged)
    Q_PROPERTY(QString copiedItemID READ copiedItemIdText NOTIFY copiedItemIDChanged)

public:
    using CopyAction = std::function<void(const history::ClipboardItem &)>;
    using ClipboardTextSource = std::function<std::optional<QString>()>;
    static constexpr int copiedFeedbackMs = 1200;

    // The store, clock and scheduler must outlive the view.
    HistoryView(history::ClipboardStore &store, CopyAction copyAction, const platform::Clock &clock,
                platform::Scheduler &scheduler, QObject *parent = nullptr);

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    bool clearSearchVisible() const { return !m_searchText.isEmpty(); }
    QAbstractItemModel *itemsModel() { return &m_model; }
    const HistoryListModel &model() const { return m_model; }
    QString savedCountText() const;
    bool listEmpty() const { return m_model.rowCount() == 0; }
    QString emptyText() const;
    bool clearEnabled() const;
    bool isPaused() const;
    void setPaused(bool paused);
    QUuid copiedItemID() const { return m_copiedItemID; }
    QString copiedItemIdText() const { return m_copiedItemID.toString(QUuid::WithoutBraces); }

    Q_INVOKABLE void copy(const QString &id);
    Q_INVOKABLE void remove(const QString &id);
    Q_INVOKABLE void clear();
    Q_INVOKABLE void clearSearch() { setSearchText(QString()); }
    // The keyboard's copy and delete: the row at `row` as shown.
    Q_INVOKABLE void copyRow(int row);
    Q_INVOKABLE void removeRow(int row);
    // Escape on an empty search: the window hides, as when closed.
    Q_INVOKABLE void requestHide() { Q_EMIT hideRequested(); }

    // The text that a paste into the search field inserts: the clipboard's
    // text as this program last read or wrote it, so that pasting never
    // waits for the clipboard's owner.
    void setClipboardTextSource(ClipboardTextSource source) { m_clipboardText = std::move(source); }
    Q_INVOKABLE QString clipboardText() const;

    // Works the list out again from the store; runs soon after every change
    // the store announces.
    void refresh();

Q_SIGNALS:
    void searchTextChanged();
    void storeChanged();
    void listChanged();
    void copiedItemIDChanged();
    void hideRequested();
    // The window was shown: typing goes to the search field.
    void focusSearchRequested();

private:
    std::optional<history::ClipboardItem> shownItem(const QString &id) const;
    void setCopiedItemID(const QUuid &id);
    void scheduleRefresh();

    history::ClipboardStore &m_store;
    CopyAction m_copyAction;
    ClipboardTextSource m_clipboardText;
    platform::Scheduler &m_scheduler;
    HistoryFilter m_filter;
    HistoryListModel m_model;
    QString m_searchText;
    QUuid m_copiedItemID;
    bool m_refreshPending = false;
    // Lets scheduled work find out that the view is gone.
    std::shared_ptr<HistoryView *> m_self;
};

} // namespace quillet::ui
