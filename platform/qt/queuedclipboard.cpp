// SPDX-License-Identifier: GPL-3.0-or-later
#include "queuedclipboard.h"

namespace quillet::platform {

void QueuedClipboard::watch(Watcher watcher)
{
    m_watcher = std::move(watcher);
    setWorkerWatching(bool(m_watcher.read), m_watcher.enough);
}

void QueuedClipboard::setText(const QString &text)
{
    setWorkerText(text.toUtf8(), Selection::Clipboard);
}

void QueuedClipboard::setPrimaryText(const QString &text)
{
    setWorkerText(text.toUtf8(), Selection::Primary);
}

ClipboardDelivery QueuedClipboard::delivery()
{
    return {
        [this](std::uint64_t serial) {
            QMetaObject::invokeMethod(
                this,
                [this, serial] {
                    if (m_watcher.changed)
                        m_watcher.changed(serial);
                },
                Qt::QueuedConnection);
        },
        [this](ClipboardChange change) {
            QMetaObject::invokeMethod(
                this,
                [this, change = std::move(change)] {
                    if (m_watcher.read)
                        m_watcher.read(change);
                },
                Qt::QueuedConnection);
        },
    };
}

} // namespace quillet::platform
