// SPDX-License-Identifier: GPL-3.0-or-later
#include "entryselector.h"

#include <algorithm>

namespace quillet::app {

namespace {

constexpr qsizetype maxPositionDigits = 7;
constexpr qsizetype minPrefixLength = 8;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isIdCharacter(QChar c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u'-';
}

} // namespace

EntrySelector EntrySelector::parse(QStringView text)
{
    text = text.trimmed();
    EntrySelector selector;
    if (!text.isEmpty() && text.size() <= maxPositionDigits &&
        std::all_of(text.begin(), text.end(), isAsciiDigit)) {
        selector.m_position = text.toLongLong();
        if (selector.m_position >= 1)
            selector.m_kind = Kind::Position;
        return selector;
    }
    if (text.startsWith(u'{') && text.endsWith(u'}'))
        text = text.sliced(1, text.size() - 2);
    if (text.size() >= minPrefixLength && std::all_of(text.begin(), text.end(), isIdCharacter)) {
        selector.m_kind = Kind::IdPrefix;
        selector.m_prefix = text.toString().toUpper();
    }
    return selector;
}

EntrySelector EntrySelector::parsePickedLine(QStringView line)
{
    const qsizetype tab = line.indexOf(u'\t');
    return parse(tab < 0 ? line : line.left(tab));
}

EntrySelector::Outcome EntrySelector::resolve(const QStringList &ids, qsizetype *index) const
{
    if (m_kind == Kind::Invalid)
        return Outcome::NoSuchEntry;
    if (m_kind == Kind::Position) {
        if (m_position > ids.size())
            return Outcome::NoSuchEntry;
        *index = m_position - 1;
        return Outcome::Found;
    }
    qsizetype found = -1;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (!ids[i].startsWith(m_prefix, Qt::CaseInsensitive))
            continue;
        if (found >= 0)
            return Outcome::Ambiguous;
        found = i;
    }
    if (found < 0)
        return Outcome::NoSuchEntry;
    *index = found;
    return Outcome::Found;
}

} // namespace quillet::app
