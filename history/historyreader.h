// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"

#include <QByteArrayView>
#include <QList>

#include <optional>

namespace quillet::history {

// A strict JSON reader for the history file. It accepts exactly the JSON of
// RFC 8259 (UTF-8 without invalid sequences, lone surrogate escapes or raw
// control characters in strings, nothing but white space after the value)
// and builds the entries as it goes, without a document tree: it reads the
// file several times faster than a general-purpose parser. Members it does
// not know are read in full and ignored; nesting deeper than `maxDepth`
// levels is refused.
class HistoryReader final
{
public:
    static constexpr int maxDepth = 256;

    static std::optional<QList<ClipboardItem>> read(QByteArrayView bytes);

private:
    explicit HistoryReader(QByteArrayView bytes);

    bool readHistory(QList<ClipboardItem> &items);
    bool readEntry(ClipboardItem &entry);
    bool readMember(ClipboardItem &entry, unsigned &seen);
    bool skipValue(int depth);
    bool skipContainer(char close, bool members, int depth);
    bool readString(QByteArrayView &text, QByteArray &storage);
    bool readStringEscapes(QByteArray &out);
    bool readNumber(double &value, std::optional<std::int64_t> &integral);
    bool readLiteral(const char *literal);
    bool consume(char c);
    char peek();
    void skipWhiteSpace();

    const char *m_pos;
    const char *m_end;
};

} // namespace quillet::history
