// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/queuedclipboard.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <memory>

namespace quillet::platform {

class X11SelectionWorker;

// The CLIPBOARD selection, read and written by a worker thread on an X
// connection of its own; its results reach the watcher on the main thread.
//
// Qt's own clipboard is kept from asking the owner anything: it would do so
// on the main thread, and wait seconds for an owner that does not answer,
// each time the clipboard changes (text fields check whether they can
// paste). Its notifications of CLIPBOARD changes are filtered out of Qt's
// connection for that.
class X11Clipboard final : public QueuedClipboard, public QAbstractNativeEventFilter
{

public:
    // `qtConnection`, where Qt runs on X11, is the connection whose change
    // notifications are filtered; the worker connects to `displayName`.
    X11Clipboard(xcb_connection_t *qtConnection, const QByteArray &displayName);
    ~X11Clipboard() override;

    // False, with the reason logged, where no X display could be used.
    bool isAvailable() const { return m_available; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void setKeepable(std::uint64_t serial, bool keepable) override;

private:
    void setWorkerWatching(bool watching, std::function<bool(QStringView)> enough) override;
    void setWorkerText(TextToSet text, Selection selection) override;

    std::unique_ptr<X11SelectionWorker> m_worker;
    bool m_available = false;
    std::uint8_t m_qtSelectionNotify = 0;
    xcb_atom_t m_qtClipboardAtom = XCB_NONE;
};

} // namespace quillet::platform
