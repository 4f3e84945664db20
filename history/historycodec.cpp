// SPDX-License-Identifier: GPL-3.0-or-later
#include "historycodec.h"

#include <nlohmann/json.hpp>

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

void appendEscapedByte(QByteArray &out, unsigned char c)
{
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '/':
        out += "\\/";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default: {
        static constexpr char hex[] = "0123456789abcdef";
        const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
        out.append(escape, sizeof escape);
    }
    }
}

void appendString(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8.constData());
    const qsizetype size = utf8.size();
    out += '"';
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (!needsEscape[bytes[i]])
            continue;
        out.append(utf8.constData() + runStart, i - runStart);
        appendEscapedByte(out, bytes[i]);
        runStart = i + 1;
    }
    out.append(utf8.constData() + runStart, size - runStart);
    out += '"';
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

void appendItem(QByteArray &out, const ClipboardItem &item)
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
    appendString(out, item.text);
    out += "\n  }";
}

// --- Reading ---------------------------------------------------------------

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

using Json = nlohmann::json;

enum class Member
{
    None,
    Id,
    Text,
    FirstCopiedAt,
    LastCopiedAt,
    SourceApp,
    CopyCount,
    Unknown
};

constexpr unsigned bit(Member m)
{
    return 1u << static_cast<unsigned>(m);
}

// Builds entries straight from the parser's events, so that no document tree
// is held, and rejects every value of the wrong type as soon as it is seen.
class EntryReader final : public nlohmann::json_sax<Json>
{
public:
    QList<ClipboardItem> items;

    bool null() override
    {
        if (skipDepth > 0 || member == Member::Unknown)
            return valueDone();
        if (member == Member::SourceApp) {
            entry.sourceApp.reset();
            return valueDone();
        }
        return false;
    }
    bool boolean(bool) override { return skipOnly(); }
    bool number_integer(number_integer_t value) override
    {
        if (skipDepth > 0 || member == Member::Unknown)
            return valueDone();
        return number(static_cast<double>(value), value);
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        if (skipDepth > 0 || member == Member::Unknown)
            return valueDone();
        if (value > static_cast<number_unsigned_t>(std::numeric_limits<std::int64_t>::max()))
            return number(static_cast<double>(value), std::nullopt);
        return number(static_cast<double>(value), static_cast<std::int64_t>(value));
    }
    bool number_float(number_float_t value, const string_t &) override
    {
        if (skipDepth > 0 || member == Member::Unknown)
            return valueDone();
        std::optional<std::int64_t> integral;
        // 2^63 is the first double past the int64 range.
        if (std::isfinite(value) && value == std::trunc(value) && value >= -0x1p63 &&
            value < 0x1p63)
            integral = static_cast<std::int64_t>(value);
        return number(value, integral);
    }
    bool string(string_t &value) override
    {
        if (skipDepth > 0 || member == Member::Unknown)
            return valueDone();
        switch (member) {
        case Member::Id: {
            const auto id = HistoryCodec::parseUuid(value);
            if (!id)
                return false;
            entry.id = *id;
            seen |= bit(Member::Id);
            return valueDone();
        }
        case Member::Text:
            entry.text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
            seen |= bit(Member::Text);
            return valueDone();
        case Member::SourceApp:
            entry.sourceApp = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
            return valueDone();
        default:
            return false;
        }
    }
    bool binary(binary_t &) override { return false; }
    bool start_object(std::size_t) override
    {
        if (skipDepth > 0 || member == Member::Unknown) {
            ++skipDepth;
            return true;
        }
        if (depth != 1)
            return false;
        depth = 2;
        entry = ClipboardItem();
        seen = 0;
        member = Member::None;
        return true;
    }
    bool key(string_t &name) override
    {
        if (skipDepth > 0)
            return true;
        member = memberNamed(name);
        return true;
    }
    bool end_object() override
    {
        if (skipDepth > 0)
            return leaveSkipped();
        constexpr unsigned required = bit(Member::Id) | bit(Member::Text) |
                                      bit(Member::FirstCopiedAt) | bit(Member::LastCopiedAt) |
                                      bit(Member::CopyCount);
        if ((seen & required) != required)
            return false;
        items.append(std::move(entry));
        depth = 1;
        member = Member::None;
        return true;
    }
    bool start_array(std::size_t) override
    {
        if (skipDepth > 0 || member == Member::Unknown) {
            ++skipDepth;
            return true;
        }
        if (depth != 0)
            return false;
        depth = 1;
        return true;
    }
    bool end_array() override
    {
        if (skipDepth > 0)
            return leaveSkipped();
        depth = 0;
        return true;
    }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &) override
    {
        return false;
    }

private:
    static Member memberNamed(const std::string &name)
    {
        if (name == "id")
            return Member::Id;
        if (name == "text")
            return Member::Text;
        if (name == "firstCopiedAt")
            return Member::FirstCopiedAt;
        if (name == "lastCopiedAt")
            return Member::LastCopiedAt;
        if (name == "sourceApp")
            return Member::SourceApp;
        if (name == "copyCount")
            return Member::CopyCount;
        return Member::Unknown;
    }

    bool number(double value, std::optional<std::int64_t> integral)
    {
        switch (member) {
        case Member::FirstCopiedAt:
        case Member::LastCopiedAt:
            if (!std::isfinite(value))
                return false;
            (member == Member::FirstCopiedAt ? entry.firstCopiedAt : entry.lastCopiedAt) = value;
            seen |= bit(member);
            return valueDone();
        case Member::CopyCount:
            if (!integral)
                return false;
            entry.copyCount = *integral;
            seen |= bit(member);
            return valueDone();
        default:
            return false;
        }
    }

    // Scalars other than the ones handled are only allowed inside unknown members.
    bool skipOnly() { return (skipDepth > 0 || member == Member::Unknown) && valueDone(); }

    bool valueDone()
    {
        if (skipDepth == 0)
            member = Member::None;
        return true;
    }

    bool leaveSkipped()
    {
        --skipDepth;
        return valueDone();
    }

    int depth = 0;
    int skipDepth = 0;
    Member member = Member::None;
    unsigned seen = 0;
    ClipboardItem entry;
};

} // namespace

std::optional<QByteArray> HistoryCodec::encode(const QList<ClipboardItem> &items)
{
    QByteArray out;
    qsizetype estimate = 4;
    for (const ClipboardItem &item : items) {
        if (!std::isfinite(item.firstCopiedAt) || !std::isfinite(item.lastCopiedAt))
            return std::nullopt;
        estimate += 200 + item.text.size() * 3 + (item.sourceApp ? item.sourceApp->size() : 0);
    }
    out.reserve(estimate);
    out += "[\n";
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ",\n";
        appendItem(out, items[i]);
    }
    out += "\n]";
    return out;
}

std::optional<QList<ClipboardItem>> HistoryCodec::decode(const QByteArray &bytes)
{
    EntryReader reader;
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.constData());
    const bool ok = Json::sax_parse(begin, begin + bytes.size(), &reader,
                                    nlohmann::detail::input_format_t::json, true);
    if (!ok)
        return std::nullopt;
    return std::move(reader.items);
}

std::optional<QUuid> HistoryCodec::parseUuid(std::string_view text)
{
    if (text.size() != 36)
        return std::nullopt;
    std::array<unsigned char, 16> bytes{};
    size_t pos = 0;
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (text[pos++] != '-')
                return std::nullopt;
        }
        const int high = hexValue(text[pos++]);
        const int low = hexValue(text[pos++]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char *>(bytes.data()), 16));
}

} // namespace quillet::history
