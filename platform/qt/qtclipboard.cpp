// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillet::platform {

QtClipboard::QtClipboard(QObject *parent)
    : QObject(parent), m_clipboard(QGuiApplication::clipboard())
{
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            ++m_changeCount;
    });
}

std::optional<QString> QtClipboard::text()
{
    // mimeData() asks the owner for its formats, text() then for the text
    // itself; Qt gives up on an owner that does not answer within seconds.
    const QMimeData *data = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    QString text = data->text();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

void QtClipboard::clear()
{
    m_clipboard->clear(QClipboard::Clipboard);
}

void QtClipboard::setText(const QString &text)
{
    m_clipboard->setText(text, QClipboard::Clipboard);
}

} // namespace quillet::platform
