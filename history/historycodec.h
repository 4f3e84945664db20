// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <optional>

namespace quillet::history {

// The history file's bytes: a JSON array of entry objects, written
// pretty-printed with sorted keys, two-space indentation, " : " between name
// and value, "/" escaped as "\/" and time stamps in their shortest form that
// reads back as the same double.
class HistoryCodec final
{
public:
    // The encoded "text" values of the entries last written, by id. An
    // entry's text never changes, so a writer that keeps this between
    // saves encodes each text once and later only copies its bytes.
    struct EncodedText
    {
        QString text; // shares the entry's text: the same data means the same text
        QByteArray bytes;
    };
    using TextCache = QHash<QUuid, EncodedText>;

    // Fails (no value) only for a time stamp that JSON cannot hold (NaN, infinity).
    // With `cache`, texts found there are not encoded again, and the cache
    // afterwards holds exactly the texts of `items`.
    static std::optional<QByteArray> encode(const QList<ClipboardItem> &items,
                                            TextCache *cache = nullptr);
    // The same bytes in pieces, to be written one after another: a large
    // history is then never copied into one buffer.
    static std::optional<QList<QByteArray>> encodePieces(const QList<ClipboardItem> &items,
                                                         TextCache *cache);

    // Strict: the bytes must be one valid JSON document (UTF-8, no raw control
    // characters in strings, nothing after it) holding an array of entry
    // objects, each with a valid "id", "text", "firstCopiedAt", "lastCopiedAt"
    // and "copyCount". Unknown members are ignored. One bad entry fails all.
    static std::optional<QList<ClipboardItem>> decode(const QByteArray &bytes);
};

} // namespace quillet::history
