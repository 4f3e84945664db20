// SPDX-License-Identifier: GPL-3.0-or-later
#include "rowpreview.h"

namespace quillet::ui {

namespace {

bool isMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

} // namespace

QString RowPreview::of(const QString &text)
{
    QString preview;
    preview.reserve(std::min(text.size(), maxUnits));
    int marks = 0;
    for (qsizetype i = 0; i < text.size() && preview.size() < maxUnits;) {
        const QChar c = text.at(i);
        const qsizetype width =
            c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const char32_t codePoint =
            width == 2 ? QChar::surrogateToUcs4(c, text.at(i + 1)) : char32_t(c.unicode());
        marks = isMark(codePoint) ? marks + 1 : 0;
        if (marks <= maxMarks)
            preview.append(QStringView(text).mid(i, width));
        i += width;
    }
    return preview;
}

} // namespace quillet::ui
