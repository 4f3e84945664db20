// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyservice.h"

#include "applicationservice.h"
#include "clipboardstore.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QTimer>

namespace quillet::app {

HistoryService::HistoryService(ApplicationService *service, history::ClipboardStore &store,
                               Actions actions)
    : QDBusAbstractAdaptor(service), m_service(service), m_store(store),
      m_actions(std::move(actions)), m_announced(store.items()), m_announcedPaused(store.isPaused())
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    connect(&m_store, &history::ClipboardStore::objectWillChange, this,
            &HistoryService::noteChange);
}

HistoryService::~HistoryService() = default;

QVariantMap HistoryService::toMap(const history::ClipboardItem &item)
{
    QVariantMap map{
        {QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("text"), item.text},
        {QStringLiteral("firstCopiedAt"), item.firstCopiedAt},
        {QStringLiteral("lastCopiedAt"), item.lastCopiedAt},
        {QStringLiteral("copyCount"), qlonglong(item.copyCount)},
    };
    if (item.sourceApp)
        map.insert(QStringLiteral("sourceApp"), *item.sourceApp);
    return map;
}

bool HistoryService::isPaused() const
{
    return m_store.isPaused();
}

void HistoryService::setPaused(bool paused)
{
    m_store.setPaused(paused);
}

QList<QVariantMap> HistoryService::List(uint limit)
{
    m_store.purgeExpired(true);
    const QList<history::ClipboardItem> &items = m_store.items();
    const qsizetype count = limit == 0 ? items.size() : std::min<qsizetype>(limit, items.size());
    QList<QVariantMap> entries;
    entries.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        entries << toMap(items[i]);
    return entries;
}

// The entry with `id`, after the expired ones are gone; none, with an error
// sent back, when there is no such entry. The call's context is the exported
// object's, which this adaptor belongs to.
const history::ClipboardItem *HistoryService::entry(const QString &id)
{
    const QUuid uuid(id);
    if (uuid.isNull()) {
        m_service->sendErrorReply(QDBusError::InvalidArgs,
                                  QStringLiteral("not an entry id: %1").arg(id));
        return nullptr;
    }
    m_store.purgeExpired(true);
    for (const history::ClipboardItem &item : m_store.items()) {
        if (item.id == uuid)
            return &item;
    }
    m_service->sendErrorReply(QString::fromLatin1(noSuchEntryError),
                              QStringLiteral("no entry with the id %1").arg(id));
    return nullptr;
}

void HistoryService::Copy(const QString &id)
{
    if (const history::ClipboardItem *item = entry(id))
        m_actions.copy(history::ClipboardItem(*item));
}

void HistoryService::Paste(const QString &id)
{
    if (const history::ClipboardItem *item = entry(id))
        m_actions.paste(history::ClipboardItem(*item));
}

void HistoryService::Delete(const QString &id)
{
    if (const history::ClipboardItem *item = entry(id))
        m_store.remove(history::ClipboardItem(*item));
}

void HistoryService::Clear()
{
    m_store.clear();
}

// The store says so before each write, often several times for one change:
// the signal goes once the change is done, and only if something changed.
void HistoryService::noteChange()
{
    if (std::exchange(m_changePending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_changePending = false;
        if (!differsFromLastAnnounced())
            return;
        m_announced = m_store.items();
        m_announcedPaused = m_store.isPaused();
        Q_EMIT Changed();
    });
}

// An entry's text never changes, so its id and the rest tell it apart.
bool HistoryService::differsFromLastAnnounced() const
{
    const QList<history::ClipboardItem> &items = m_store.items();
    if (m_store.isPaused() != m_announcedPaused || items.size() != m_announced.size())
        return true;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const history::ClipboardItem &now = items[i];
        const history::ClipboardItem &then = m_announced[i];
        if (now.id != then.id || now.lastCopiedAt != then.lastCopiedAt ||
            now.firstCopiedAt != then.firstCopiedAt || now.copyCount != then.copyCount ||
            now.sourceApp != then.sourceApp)
            return true;
    }
    return false;
}

} // namespace quillet::app
