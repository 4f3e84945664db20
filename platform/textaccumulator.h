// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringDecoder>

#include <functional>
#include <optional>

namespace quillet::platform {

// Gathers a clipboard text as its bytes arrive, and says when no more need
// arrive: once `enough` holds for the text so far, or past a hard limit of
// bytes. Shared by the clipboard readers of every desktop.
class TextAccumulator final
{
public:
    // More than this many bytes of one text are never transferred.
    static constexpr qsizetype maxBytes = 16 * 1024 * 1024;

    TextAccumulator(QStringDecoder::Encoding encoding, std::function<bool(QStringView)> enough);

    // Takes the next bytes; false when the rest is not needed.
    bool append(QByteArrayView bytes);
    // The text; none when nothing arrived.
    std::optional<QString> take();

private:
    QStringDecoder m_decoder;
    std::function<bool(QStringView)> m_enough;
    QString m_text;
    qsizetype m_bytes = 0;
    qsizetype m_checkedAt = 0;
};

} // namespace quillet::platform
