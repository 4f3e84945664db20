// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomeclipboard.h"

#include "gnomeshellbridge.h"
#include "textaccumulator.h"

namespace quillet::platform {

GnomeClipboard::GnomeClipboard(std::shared_ptr<GnomeShellBridge> bridge,
                               std::unique_ptr<Clipboard> fallback)
    : m_bridge(std::move(bridge)), m_fallback(std::move(fallback))
{
    connect(m_bridge.get(), &GnomeShellBridge::presenceChanged, this, &GnomeClipboard::follow);
    connect(m_bridge.get(), &GnomeShellBridge::clipboardChanged, this, &GnomeClipboard::changed);
}

GnomeClipboard::~GnomeClipboard() = default;

void GnomeClipboard::watch(Watcher watcher)
{
    m_watcher = std::move(watcher);
    follow(m_bridge->isPresent());
}

// One watcher at a time: both would see an X11 copy.
void GnomeClipboard::follow(bool bridgePresent)
{
    m_fallback->watch(bridgePresent || !m_watcher.read ? Watcher{} : m_watcher);
}

void GnomeClipboard::changed(const QStringList &formats, bool secret, const QString &textFormat,
                             const QByteArray &text)
{
    if (!m_watcher.read || !m_bridge->isPresent())
        return;
    ClipboardChange change;
    change.serial = ++m_serial;
    change.formats = formats;
    change.secret = secret;
    if (!secret && !textFormat.isEmpty()) {
        TextAccumulator accumulator(textFormat == QLatin1String("STRING") ? QStringDecoder::Latin1
                                                                          : QStringDecoder::Utf8,
                                    m_watcher.enough);
        accumulator.append(text);
        change.text = accumulator.take();
    }
    if (m_watcher.changed)
        m_watcher.changed(change.serial);
    m_watcher.read(change);
}

void GnomeClipboard::setText(const QString &text)
{
    if (m_bridge->isPresent())
        m_bridge->setClipboard(text);
    else
        m_fallback->setText(text);
}

void GnomeClipboard::setPrimaryText(const QString &text)
{
    m_fallback->setPrimaryText(text);
}

} // namespace quillet::platform
