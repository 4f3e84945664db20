// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

namespace quillet::ui {

// The program's texts in the user's language (German and French so far;
// English, the source language, elsewhere).
class Translations final
{
public:
    // Replaces the program's translation with the one for `locale`'s
    // languages, in order of preference. False where none matches.
    static bool install(const QLocale &locale = QLocale());
};

} // namespace quillet::ui
