// SPDX-License-Identifier: GPL-3.0-or-later
#include "historycodec.h"

#include "historyreader.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace quillet::history {

namespace {

// --- Writing ---------------------------------------------------------------

// Bytes that a JSON string may not hold as they are, plus the solidus, which
// the file writes escaped.
constexpr std::array<bool, 256> needsEscapeTable()
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[static_cast<size_t>(c)] = true;
    table['"'] = table['\\'] = table['/'] = true;
    return table;
}
constexpr auto needsEscape = needsEscapeTable();

char *writeEscape(char *out, char16_t c)
{
    *out++ = '\\';
    switch (c) {
    case '"':
        *out++ = '"';
        return out;
    case '\\':
        *out++ = '\\';
        return out;
    case '/':
        *out++ = '/';
        return out;
    case '\b':
        *out++ = 'b';
        return out;
    case '\f':
        *out++ = 'f';
        return out;
    case '\n':
        *out++ = 'n';
        return out;
    case '\r':
        *out++ = 'r';
        return out;
    case '\t':
        *out++ = 't';
        return out;
    default: {
        static constexpr char hex[] = "0123456789abcdef";
        *out++ = 'u';
        *out++ = '0';
        *out++ = '0';
        *out++ = hex[c >> 4];
        *out++ = hex[c & 0xF];
        return out;
    }
    }
}

// Converts UTF-16 to escaped UTF-8 in one pass, straight into `out`.
void appendString(QByteArray &out, const QString &text)
{
    const qsizetype oldSize = out.size();
    // At most six bytes per UTF-16 unit (an escape), plus the quotes.
    out.resize(oldSize + text.size() * 6 + 2);
    char *p = out.data() + oldSize;
    *p++ = '"';
    const auto *c = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *end = c + text.size();
    while (c < end) {
        const char16_t unit = *c++;
        if (unit < 0x80) {
            if (needsEscape[unit])
                p = writeEscape(p, unit);
            else
                *p++ = static_cast<char>(unit);
            continue;
        }
        char32_t code = unit;
        if (QChar::isHighSurrogate(unit) && c < end && QChar::isLowSurrogate(*c))
            code = QChar::surrogateToUcs4(unit, *c++);
        else if (QChar::isSurrogate(unit))
            code = QChar::ReplacementCharacter;
        if (code < 0x800) {
            *p++ = static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (code >> 12));
            *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (code >> 18));
            *p++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        *p++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    *p++ = '"';
    out.resize(p - out.constData());
}

template <typename Number> void appendNumber(QByteArray &out, Number value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendTimestamp(QByteArray &out, double value)
{
    // "-0" would read back as the integer 0; keep the sign of a negative zero.
    if (value == 0 && std::signbit(value))
        out += "-0.0";
    else
        appendNumber(out, value);
}

void appendUuid(QByteArray &out, const QUuid &id)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray raw = id.toRfc4122();
    char text[36];
    int pos = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[pos++] = '-';
        const auto byte = static_cast<unsigned char>(raw[i]);
        text[pos++] = hex[byte >> 4];
        text[pos++] = hex[byte & 0xF];
    }
    out += '"';
    out.append(text, sizeof text);
    out += '"';
}

void appendMemberName(QByteArray &out, const char *name)
{
    out += "    \"";
    out += name;
    out += "\" : ";
}

// An entry's opening and every member up to the text's value, which comes
// last in the sorted order.
void appendMembersBeforeText(QByteArray &out, const ClipboardItem &item)
{
    out += "  {\n";
    appendMemberName(out, "copyCount");
    appendNumber(out, item.copyCount);
    out += ",\n";
    appendMemberName(out, "firstCopiedAt");
    appendTimestamp(out, item.firstCopiedAt);
    out += ",\n";
    appendMemberName(out, "id");
    appendUuid(out, item.id);
    out += ",\n";
    appendMemberName(out, "lastCopiedAt");
    appendTimestamp(out, item.lastCopiedAt);
    out += ",\n";
    if (item.sourceApp) {
        appendMemberName(out, "sourceApp");
        appendString(out, *item.sourceApp);
        out += ",\n";
    }
    appendMemberName(out, "text");
}

// Straight into one buffer: the fastest way when no text is known already.
std::optional<QByteArray> encodeAtOnce(const QList<ClipboardItem> &items)
{
    qsizetype estimate = 4;
    for (const ClipboardItem &item : items) {
        if (!std::isfinite(item.firstCopiedAt) || !std::isfinite(item.lastCopiedAt))
            return std::nullopt;
        estimate += 256 + (item.text.size() + (item.sourceApp ? item.sourceApp->size() : 0)) * 6;
    }
    QByteArray out;
    out.reserve(estimate);
    out += "[\n";
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += "\n  },\n";
        appendMembersBeforeText(out, items[i]);
        appendString(out, items[i].text);
    }
    if (!items.isEmpty())
        out += "\n  }";
    out += "\n]";
    return out;
}

// --- Reading ---------------------------------------------------------------

} // namespace

std::optional<QByteArray> HistoryCodec::encode(const QList<ClipboardItem> &items, TextCache *cache)
{
    if (!cache)
        return encodeAtOnce(items);
    const auto pieces = encodePieces(items, cache);
    if (!pieces)
        return std::nullopt;
    qsizetype size = 0;
    for (const QByteArray &piece : *pieces)
        size += piece.size();
    QByteArray out;
    out.reserve(size);
    for (const QByteArray &piece : *pieces)
        out += piece;
    return out;
}

std::optional<QList<QByteArray>> HistoryCodec::encodePieces(const QList<ClipboardItem> &items,
                                                            TextCache *cache)
{
    // The same characters in the same memory: the entry's text as cached.
    const auto sameData = [](const QString &a, const QString &b) {
        return a.size() == b.size() && a.constData() == b.constData();
    };
    TextCache texts;
    QList<QByteArray> pieces;
    pieces.reserve(2 * items.size() + 2);
    QByteArray members = "[\n";
    for (qsizetype i = 0; i < items.size(); ++i) {
        const ClipboardItem &item = items[i];
        if (!std::isfinite(item.firstCopiedAt) || !std::isfinite(item.lastCopiedAt))
            return std::nullopt;
        EncodedText encoded;
        const auto known = cache ? cache->constFind(item.id) : TextCache::const_iterator();
        if (cache && known != cache->cend() && sameData(known->text, item.text)) {
            encoded = *known;
        } else {
            encoded.text = item.text;
            appendString(encoded.bytes, item.text);
        }
        if (i > 0)
            members += "\n  },\n";
        appendMembersBeforeText(members, item);
        pieces.append(std::move(members));
        members.clear();
        pieces.append(encoded.bytes);
        if (cache)
            texts.insert(item.id, std::move(encoded));
    }
    if (!items.isEmpty())
        members += "\n  }";
    members += "\n]";
    pieces.append(std::move(members));
    if (cache)
        *cache = std::move(texts);
    return pieces;
}

std::optional<QList<ClipboardItem>> HistoryCodec::decode(const QByteArray &bytes)
{
    return HistoryReader::read(bytes);
}

} // namespace quillet::history
