// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QDBusAbstractAdaptor>
#include <QList>
#include <QVariantMap>

#include <functional>

namespace quillet::history {
class ClipboardStore;
}

namespace quillet::app {

class ApplicationService;

// The history on the session bus, io.quillet.History1 beside the
// application interface on the same object: what `quillet list|copy|paste…`
// and any script of the user's call. Entries are named by their ids, which
// never change.
class HistoryService final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillet.History1")
    Q_PROPERTY(bool Paused READ isPaused WRITE setPaused)

public:
    static constexpr char interfaceName[] = "io.quillet.History1";
    static constexpr char noSuchEntryError[] = "io.quillet.History1.Error.NoSuchEntry";

    struct Actions
    {
        // As the window's Copy does.
        std::function<void(const history::ClipboardItem &)> copy;
        // As Ctrl+Alt+1 does.
        std::function<void(const history::ClipboardItem &)> paste;
    };

    // Exported with `service`, which owns it; call before it registers.
    HistoryService(ApplicationService *service, history::ClipboardStore &store, Actions actions);
    ~HistoryService() override;

    // The members of an entry, named as in the history file.
    static QVariantMap toMap(const history::ClipboardItem &item);

    bool isPaused() const;
    void setPaused(bool paused);

public Q_SLOTS:
    // Newest first; `limit` 0 means all.
    QList<QVariantMap> List(uint limit);
    void Copy(const QString &id);
    void Paste(const QString &id);
    void Delete(const QString &id);
    void Clear();

Q_SIGNALS:
    void Changed();

private:
    const history::ClipboardItem *entry(const QString &id);
    void noteChange();
    bool differsFromLastAnnounced() const;

    ApplicationService *m_service;
    history::ClipboardStore &m_store;
    Actions m_actions;
    bool m_changePending = false;
    // What the last Changed() told of: a purge that removes nothing, or a
    // pause set to what it was, is no change to those who listen.
    QList<history::ClipboardItem> m_announced;
    bool m_announcedPaused = false;
};

} // namespace quillet::app
