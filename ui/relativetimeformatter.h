// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"

#include <QString>

#include <memory>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RelativeDateTimeFormatter;
U_NAMESPACE_END

namespace quillet::ui {

// "5 min. ago", "2 hr. ago": ICU's relative date-time phrase in its short
// style, in the largest unit that fits, in the user's locale.
class RelativeTimeFormatter final
{
public:
    explicit RelativeTimeFormatter(const QString &localeName = QString());
    ~RelativeTimeFormatter();
    RelativeTimeFormatter(const RelativeTimeFormatter &) = delete;
    RelativeTimeFormatter &operator=(const RelativeTimeFormatter &) = delete;

    QString phrase(platform::Timestamp when, platform::Timestamp now) const;

private:
    std::unique_ptr<icu::RelativeDateTimeFormatter> m_formatter;
};

} // namespace quillet::ui
