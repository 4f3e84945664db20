// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyreader.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace quillet::history {

namespace {

enum Member : unsigned
{
    IdBit = 1,
    TextBit = 2,
    FirstCopiedAtBit = 4,
    LastCopiedAtBit = 8,
    CopyCountBit = 16,
    Required = IdBit | TextBit | FirstCopiedAtBit | LastCopiedAtBit | CopyCountBit,
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The canonical 8-4-4-4-12 form of a UUID, in either case; nothing else.
std::optional<QUuid> parseUuid(QByteArrayView text)
{
    if (text.size() != 36)
        return std::nullopt;
    std::array<unsigned char, 16> bytes{};
    qsizetype pos = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if ((i == 4 || i == 6 || i == 8 || i == 10) && text[pos++] != '-')
            return std::nullopt;
        const int high = hexDigit(text[pos++]);
        const int low = hexDigit(text[pos++]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char *>(bytes.data()), 16));
}

// Length of the well-formed UTF-8 sequence at `p` (before `end`), or 0.
int utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char lead = p[0];
    auto continuation = [&](int i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2))
            return 0;
        if (lead == 0xE0 && p[1] < 0xA0) // overlong
            return 0;
        if (lead == 0xED && p[1] >= 0xA0) // UTF-16 surrogate
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if (lead == 0xF0 && p[1] < 0x90) // overlong
            return 0;
        if (lead == 0xF4 && p[1] >= 0x90) // past U+10FFFF
            return 0;
        return 4;
    }
    return 0;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Skips bytes that need no attention inside a string (printable ASCII other
// than the quote and the backslash), eight at a time where it can.
const unsigned char *skipPlainAscii(const unsigned char *p, const unsigned char *end)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t highs = 0x8080808080808080ull;
    auto hasZeroByte = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t special = (word & highs) | hasZeroByte(word ^ (ones * '"')) |
                                      hasZeroByte(word ^ (ones * '\\')) |
                                      ((word - ones * 0x20) & ~word & highs);
        if (special)
            break;
        p += 8;
    }
    while (p < end && *p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\')
        ++p;
    return p;
}

// The value of a well-formed number too large or too small for a double:
// infinity or zero, with its sign, by the position of its first significant
// digit.
double outOfRangeValue(const char *start, const char *end)
{
    const bool negative = *start == '-';
    const char *p = negative ? start + 1 : start;
    long long magnitude = 0; // decimal position of the first significant digit
    bool significant = false;
    bool fraction = false;
    for (; p < end && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            fraction = true;
        } else if (!significant && *p == '0') {
            if (fraction)
                --magnitude;
        } else {
            significant = true;
            if (!fraction)
                ++magnitude;
        }
    }
    long long exponent = 0;
    if (p < end) {
        ++p;
        const bool negativeExponent = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        for (; p < end && exponent < 1000000000; ++p)
            exponent = exponent * 10 + (*p - '0');
        if (negativeExponent)
            exponent = -exponent;
    }
    const double result = magnitude + exponent > 0 ? HUGE_VAL : 0.0;
    return negative ? -result : result;
}

} // namespace

HistoryReader::HistoryReader(QByteArrayView bytes)
    : m_pos(bytes.data()), m_end(bytes.data() + bytes.size())
{}

std::optional<QList<ClipboardItem>> HistoryReader::read(QByteArrayView bytes)
{
    HistoryReader reader(bytes);
    QList<ClipboardItem> items;
    if (!reader.readHistory(items))
        return std::nullopt;
    reader.skipWhiteSpace();
    if (reader.m_pos != reader.m_end)
        return std::nullopt;
    return items;
}

void HistoryReader::skipWhiteSpace()
{
    while (m_pos < m_end && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
        ++m_pos;
}

char HistoryReader::peek()
{
    skipWhiteSpace();
    return m_pos < m_end ? *m_pos : '\0';
}

bool HistoryReader::consume(char c)
{
    if (peek() != c)
        return false;
    ++m_pos;
    return true;
}

bool HistoryReader::readHistory(QList<ClipboardItem> &items)
{
    if (!consume('['))
        return false;
    if (consume(']'))
        return true;
    do {
        ClipboardItem entry;
        if (!readEntry(entry))
            return false;
        items.append(std::move(entry));
    } while (consume(','));
    return consume(']');
}

bool HistoryReader::readEntry(ClipboardItem &entry)
{
    if (!consume('{'))
        return false;
    unsigned seen = 0;
    if (!consume('}')) {
        do {
            if (!readMember(entry, seen))
                return false;
        } while (consume(','));
        if (!consume('}'))
            return false;
    }
    return (seen & Required) == Required;
}

bool HistoryReader::readMember(ClipboardItem &entry, unsigned &seen)
{
    QByteArrayView name;
    QByteArray nameStorage;
    if (peek() != '"' || !readString(name, nameStorage) || !consume(':'))
        return false;
    const char next = peek();
    QByteArrayView value;
    QByteArray valueStorage;
    if (name == "text") {
        if (next != '"' || !readString(value, valueStorage))
            return false;
        entry.text = QString::fromUtf8(value);
        seen |= TextBit;
        return true;
    }
    if (name == "sourceApp") {
        if (next == 'n') {
            entry.sourceApp.reset();
            return readLiteral("null");
        }
        if (next != '"' || !readString(value, valueStorage))
            return false;
        entry.sourceApp = QString::fromUtf8(value);
        return true;
    }
    if (name == "id") {
        if (next != '"' || !readString(value, valueStorage))
            return false;
        const auto id = parseUuid(value);
        if (!id)
            return false;
        entry.id = *id;
        seen |= IdBit;
        return true;
    }
    const bool first = name == "firstCopiedAt";
    if (first || name == "lastCopiedAt") {
        double number = 0;
        std::optional<std::int64_t> integral;
        if (!readNumber(number, integral) || !std::isfinite(number))
            return false;
        (first ? entry.firstCopiedAt : entry.lastCopiedAt) = number;
        seen |= first ? FirstCopiedAtBit : LastCopiedAtBit;
        return true;
    }
    if (name == "copyCount") {
        double number = 0;
        std::optional<std::int64_t> integral;
        if (!readNumber(number, integral) || !integral)
            return false;
        entry.copyCount = *integral;
        seen |= CopyCountBit;
        return true;
    }
    return skipValue(2);
}

bool HistoryReader::readLiteral(const char *literal)
{
    const size_t length = std::strlen(literal);
    if (static_cast<size_t>(m_end - m_pos) < length || std::memcmp(m_pos, literal, length) != 0)
        return false;
    m_pos += length;
    return true;
}

bool HistoryReader::skipValue(int depth)
{
    if (depth > maxDepth)
        return false;
    double number = 0;
    std::optional<std::int64_t> integral;
    QByteArrayView view;
    QByteArray storage;
    switch (peek()) {
    case '"':
        return readString(view, storage);
    case '{':
        return skipContainer('}', true, depth);
    case '[':
        return skipContainer(']', false, depth);
    case 't':
        return readLiteral("true");
    case 'f':
        return readLiteral("false");
    case 'n':
        return readLiteral("null");
    default:
        return readNumber(number, integral);
    }
}

bool HistoryReader::skipContainer(char close, bool members, int depth)
{
    ++m_pos;
    if (consume(close))
        return true;
    do {
        QByteArrayView name;
        QByteArray storage;
        if (members && (peek() != '"' || !readString(name, storage) || !consume(':')))
            return false;
        if (!skipValue(depth + 1))
            return false;
    } while (consume(','));
    return consume(close);
}

// Reads the string at the current position (an opening quote) as UTF-8:
// `text` views the input itself, or `storage` when the string has escapes.
bool HistoryReader::readString(QByteArrayView &text, QByteArray &storage)
{
    const char *start = ++m_pos;
    const auto *end = reinterpret_cast<const unsigned char *>(m_end);
    const auto *p = reinterpret_cast<const unsigned char *>(start);
    while (p < end) {
        p = skipPlainAscii(p, end);
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c == '"' || c == '\\')
            break;
        if (c < 0x20)
            return false;
        if (c < 0x80) {
            ++p;
            continue;
        }
        const int length = utf8SequenceLength(p, end);
        if (length == 0)
            return false;
        p += length;
    }
    if (p == end)
        return false;
    const char *stop = reinterpret_cast<const char *>(p);
    if (*p == '"') {
        m_pos = stop + 1;
        text = QByteArrayView(start, stop - start);
        return true;
    }
    storage = QByteArray(start, stop - start);
    m_pos = stop;
    if (!readStringEscapes(storage))
        return false;
    text = storage;
    return true;
}

// Continues a string from its first backslash, appending the decoded bytes.
bool HistoryReader::readStringEscapes(QByteArray &out)
{
    auto hex4 = [&](char32_t &unit) {
        if (m_end - m_pos < 4)
            return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexDigit(m_pos[i]);
            if (digit < 0)
                return false;
            unit = unit << 4 | static_cast<char32_t>(digit);
        }
        m_pos += 4;
        return true;
    };
    while (m_pos < m_end) {
        const auto c = static_cast<unsigned char>(*m_pos);
        if (c == '"') {
            ++m_pos;
            return true;
        }
        if (c < 0x20)
            return false;
        if (c >= 0x80) {
            const int length = utf8SequenceLength(reinterpret_cast<const unsigned char *>(m_pos),
                                                  reinterpret_cast<const unsigned char *>(m_end));
            if (length == 0)
                return false;
            out.append(m_pos, length);
            m_pos += length;
            continue;
        }
        ++m_pos;
        if (c != '\\') {
            out += static_cast<char>(c);
            continue;
        }
        if (m_pos == m_end)
            return false;
        const char escape = *m_pos++;
        switch (escape) {
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        case '/':
            out += '/';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u': {
            char32_t unit = 0;
            if (!hex4(unit))
                return false;
            if (unit >= 0xDC00 && unit <= 0xDFFF)
                return false;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                char32_t low = 0;
                if (!readLiteral("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF)
                    return false;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            appendUtf8(out, unit);
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

// A JSON number. `integral` is set when its value is a whole number that a
// signed 64-bit integer holds exactly.
bool HistoryReader::readNumber(double &value, std::optional<std::int64_t> &integral)
{
    skipWhiteSpace();
    const char *start = m_pos;
    const char *p = m_pos;
    if (p < m_end && *p == '-')
        ++p;
    if (p == m_end || !isDigit(*p))
        return false;
    if (*p == '0')
        ++p;
    else
        while (p < m_end && isDigit(*p))
            ++p;
    bool plainInteger = true;
    if (p < m_end && *p == '.') {
        plainInteger = false;
        if (++p == m_end || !isDigit(*p))
            return false;
        while (p < m_end && isDigit(*p))
            ++p;
    }
    if (p < m_end && (*p == 'e' || *p == 'E')) {
        plainInteger = false;
        ++p;
        if (p < m_end && (*p == '+' || *p == '-'))
            ++p;
        if (p == m_end || !isDigit(*p))
            return false;
        while (p < m_end && isDigit(*p))
            ++p;
    }
    m_pos = p;
    std::int64_t whole = 0;
    if (plainInteger && std::from_chars(start, p, whole).ec == std::errc()) {
        integral = whole;
        value = static_cast<double>(whole);
        return true;
    }
    const auto parsed = std::from_chars(start, p, value);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is refused, as
        // other readers of the file refuse it.
        value = outOfRangeValue(start, p);
        if (std::isinf(value))
            return false;
    } else if (parsed.ec != std::errc() || parsed.ptr != p) {
        return false;
    }
    // 2^63 is the first double past the int64 range.
    if (value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63)
        integral = static_cast<std::int64_t>(value);
    return true;
}

} // namespace quillet::history
