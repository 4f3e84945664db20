// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11clipboard.h"

#include "log.h"
#include "x11selectionworker.h"
#include "xcbreply.h"

#include <QCoreApplication>

#include <xcb/xfixes.h>

namespace quillet::platform {

X11Clipboard::X11Clipboard(xcb_connection_t *qtConnection, const QByteArray &displayName)
{
    m_worker = std::make_unique<X11SelectionWorker>(delivery());
    QString reason;
    m_available = m_worker->start(displayName, &reason);
    if (!m_available) {
        logLine(QStringLiteral("the clipboard cannot be watched: ") + reason);
        m_worker.reset();
        return;
    }
    if (qtConnection) {
        const xcb_query_extension_reply_t *xfixes =
            xcb_get_extension_data(qtConnection, &xcb_xfixes_id);
        const char name[] = "CLIPBOARD";
        const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            qtConnection, xcb_intern_atom(qtConnection, 0, sizeof name - 1, name), nullptr));
        if (xfixes && xfixes->present && atom) {
            m_qtSelectionNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
            m_qtClipboardAtom = atom->atom;
            QCoreApplication::instance()->installNativeEventFilter(this);
        }
    }
}

X11Clipboard::~X11Clipboard()
{
    if (m_qtClipboardAtom != XCB_NONE && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    // Joins the thread: nothing is delivered after this.
    m_worker.reset();
}

void X11Clipboard::setWorkerWatching(bool watching, std::function<bool(QStringView)> enough)
{
    if (m_worker)
        m_worker->setWatching(watching, std::move(enough));
}

void X11Clipboard::setWorkerText(QByteArray utf8, Selection selection)
{
    if (m_worker)
        m_worker->setText(std::move(utf8), selection);
}

bool X11Clipboard::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != m_qtSelectionNotify)
        return false;
    const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
    return notify->selection == m_qtClipboardAtom;
}

} // namespace quillet::platform
