// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quillet::app {

// How the command line names a history entry: a position (1 is the newest,
// one to seven digits), or an entry's id or a prefix of it of at least eight
// characters, in any case.
class EntrySelector final
{
public:
    enum class Outcome
    {
        Found,
        NoSuchEntry,
        Ambiguous,
    };

    // Invalid (see isValid()) where `text` is neither form.
    static EntrySelector parse(QStringView text);
    // The selector of a picker's line: the part before its first tab.
    static EntrySelector parsePickedLine(QStringView line);

    bool isValid() const { return m_kind != Kind::Invalid; }

    // Which of `ids` (newest first) is meant; `index` is set when found.
    Outcome resolve(const QStringList &ids, qsizetype *index) const;

private:
    enum class Kind
    {
        Invalid,
        Position,
        IdPrefix,
    };

    Kind m_kind = Kind::Invalid;
    qsizetype m_position = 0;
    QString m_prefix;
};

} // namespace quillet::app
