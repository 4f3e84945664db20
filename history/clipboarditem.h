// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <optional>

namespace quillet::history {

using platform::Timestamp;

// One history entry: a distinct copied text, when it was first and last
// copied, where from, and how often. A plain value; entries are told apart
// by `id` alone.
struct ClipboardItem final
{
    QUuid id;
    QString text;
    Timestamp firstCopiedAt = 0;
    Timestamp lastCopiedAt = 0;
    std::optional<QString> sourceApp;
    std::int64_t copyCount = 1;

    ClipboardItem() = default;
    // A new entry: a fresh random id, both time stamps set to `now`, count 1.
    ClipboardItem(QString text, std::optional<QString> sourceApp, Timestamp now);

    // Equal in all six fields; texts compare under canonical equivalence.
    friend bool operator==(const ClipboardItem &a, const ClipboardItem &b);
};

} // namespace quillet::history
