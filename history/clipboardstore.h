// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"
#include "historywriter.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

namespace quillet::platform {
class Clock;
}

namespace quillet::history {

// The one owner of the clipboard history: newest first, 24 hours deep. After
// every change the whole list goes to the history file's writer, which saves
// it on a thread of its own; the store never waits for the disk.
class ClipboardStore final : public QObject
{
    Q_OBJECT

public:
    // Longest text kept, in user-perceived characters (grapheme clusters).
    static constexpr qsizetype textLimit = 100000;
    // Longest text kept, in UTF-16 units, however its clusters are built.
    static constexpr qsizetype textUnitLimit = 400000;

    // Loads, sorts and purges the history at `filePath`. `clock` must outlive
    // the store.
    ClipboardStore(const platform::Clock &clock, QString filePath, QObject *parent = nullptr);
    // The history at the desktop's data location.
    explicit ClipboardStore(const platform::Clock &clock, QObject *parent = nullptr);
    // Waits a few seconds at most for the last save.
    ~ClipboardStore() override;

    const QList<ClipboardItem> &items() const { return m_items; }
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);
    const QString &filePath() const { return m_filePath; }
    // Waits until every change so far is saved (or its save has failed);
    // false when `timeout` passed first.
    bool waitUntilSaved(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    void capture(const QString &text, const std::optional<QString> &sourceApp);
    void markCopied(const ClipboardItem &item);
    void remove(const ClipboardItem &item);
    void clear();
    void purgeExpired(bool saveAfterPurge = true);

    // The store's order: the last copied first, then the first copied first.
    static bool isNewer(const ClipboardItem &a, const ClipboardItem &b);

Q_SIGNALS:
    // Sent synchronously before every write to the items or the pause flag,
    // also when the write leaves them as they were; one operation may send
    // several in a row.
    void objectWillChange();

private:
    qsizetype indexOfText(const QString &text);
    qsizetype indexOfId(const QUuid &id) const;
    void sortNewestFirst();
    void save();

    const platform::Clock &m_clock;
    QString m_filePath;
    std::unique_ptr<HistoryWriter> m_writer;
    QList<ClipboardItem> m_items;
    // Entry id → hash of its text's canonical decomposition.
    QHash<QUuid, size_t> m_decomposedHashes;
    bool m_paused = false;
};

} // namespace quillet::history
