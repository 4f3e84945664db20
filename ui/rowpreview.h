// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::ui {

// What a history row draws of an entry: its beginning only, since a row
// shows at most four lines, so that laying a row out costs the same for a
// 400,000-unit entry as for a word; and at most a few marks on each letter,
// so that "zalgo" text stacked high above its line stays inside its card.
class RowPreview final
{
public:
    // UTF-16 units looked at; four lines of the widest window hold fewer.
    static constexpr qsizetype maxUnits = 1000;
    // Combining marks kept on one base character.
    static constexpr int maxMarks = 3;

    static QString of(const QString &text);
};

} // namespace quillet::ui
