// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QByteArray>
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
    // Fails (no value) only for a time stamp that JSON cannot hold (NaN, infinity).
    static std::optional<QByteArray> encode(const QList<ClipboardItem> &items);

    // Strict: the bytes must be one valid JSON document (UTF-8, no raw control
    // characters in strings, nothing after it) holding an array of entry
    // objects, each with a valid "id", "text", "firstCopiedAt", "lastCopiedAt"
    // and "copyCount". Unknown members are ignored. One bad entry fails all.
    static std::optional<QList<ClipboardItem>> decode(const QByteArray &bytes);
};

} // namespace quillet::history
