// SPDX-License-Identifier: GPL-3.0-or-later
#include "relativetimeformatter.h"

#include <QLocale>

#include <unicode/reldatefmt.h>

#include <cmath>

namespace quillet::ui {

RelativeTimeFormatter::RelativeTimeFormatter(const QString &localeName)
{
    const QString name = localeName.isEmpty() ? QLocale().name() : localeName;
    UErrorCode status = U_ZERO_ERROR;
    m_formatter = std::make_unique<icu::RelativeDateTimeFormatter>(
        icu::Locale(name.toLatin1().constData()), nullptr, UDAT_STYLE_SHORT,
        UDISPCTX_CAPITALIZATION_NONE, status);
    if (U_FAILURE(status))
        m_formatter.reset();
}

RelativeTimeFormatter::~RelativeTimeFormatter() = default;

QString RelativeTimeFormatter::phrase(platform::Timestamp when, platform::Timestamp now) const
{
    if (!m_formatter)
        return {};
    const double offset = when - now;
    const double magnitude = std::fabs(offset);
    struct Unit
    {
        double seconds;
        URelativeDateTimeUnit unit;
    };
    static constexpr Unit units[] = {
        {365.0 * 86400, UDAT_REL_UNIT_YEAR}, {30.0 * 86400, UDAT_REL_UNIT_MONTH},
        {7.0 * 86400, UDAT_REL_UNIT_WEEK},   {86400, UDAT_REL_UNIT_DAY},
        {3600, UDAT_REL_UNIT_HOUR},          {60, UDAT_REL_UNIT_MINUTE},
    };
    Unit chosen{1, UDAT_REL_UNIT_SECOND};
    for (const Unit &unit : units) {
        if (magnitude >= unit.seconds) {
            chosen = unit;
            break;
        }
    }
    // Whole units, towards zero: 119 seconds ago is "1 min. ago".
    const double count = std::trunc(offset / chosen.seconds);
    icu::UnicodeString text;
    UErrorCode status = U_ZERO_ERROR;
    // ICU reads the sign of zero: -0 is "0 sec. ago", +0 "in 0 sec.". Less
    // than a second old is the past.
    const double signedCount = count != 0 ? count : (offset > 0 ? 0.0 : -0.0);
    m_formatter->formatNumeric(signedCount, chosen.unit, text, status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

} // namespace quillet::ui
