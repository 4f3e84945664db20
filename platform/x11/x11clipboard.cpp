// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11clipboard.h"

#include "log.h"
#include "x11selectionworker.h"
#include "xcbreply.h"

#include <QCoreApplication>

#include <xcb/xfixes.h>

namespace quillet::platform {

namespace {

// Qt's own clipboard watches every change of owner on the main thread, which
// nothing here uses: two programs fighting over the clipboard would queue
// millions of events there. Its watch is on a top-level window of Qt's
// connection, so the watches of all of those are cleared.
void stopQtWatchingTheClipboard(xcb_connection_t *connection, xcb_atom_t clipboard)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
    if (!screen)
        return;
    const XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, screen->root), nullptr));
    if (!tree)
        return;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i) {
        if ((children[i] & ~setup->resource_id_mask) != setup->resource_id_base)
            continue;
        for (const xcb_atom_t selection : {clipboard, xcb_atom_t(XCB_ATOM_PRIMARY)})
            xcb_xfixes_select_selection_input(connection, children[i], selection, 0);
    }
    xcb_flush(connection);
}

} // namespace

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
            stopQtWatchingTheClipboard(qtConnection, atom->atom);
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

void X11Clipboard::setWorkerText(TextToSet text, Selection selection)
{
    if (m_worker)
        m_worker->setText(std::move(text), selection);
}

void X11Clipboard::setKeepable(std::uint64_t serial, bool keepable)
{
    if (m_worker)
        m_worker->setKeepable(serial, keepable);
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
