// SPDX-License-Identifier: GPL-3.0-or-later
#include "unicodetext.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace quillet::history {

namespace {

const icu::Normalizer2 *nfdNormalizer()
{
    UErrorCode status = U_ZERO_ERROR;
    return icu::Normalizer2::getNFDInstance(status);
}

icu::UnicodeString aliasOf(const QString &text)
{
    // Read-only alias: ICU reads the QString's UTF-16 buffer without copying.
    return icu::UnicodeString(false, reinterpret_cast<const char16_t *>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString toQString(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

char32_t codePointAt(QStringView text, qsizetype index, qsizetype *width)
{
    const QChar c = text.at(index);
    if (c.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(c, text.at(index + 1));
    }
    *width = 1;
    return c.unicode();
}

char32_t codePointBefore(const QString &text, qsizetype end, qsizetype *width)
{
    const QChar c = text.at(end - 1);
    if (c.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(text.at(end - 2), c);
    }
    *width = 1;
    return c.unicode();
}

} // namespace

bool UnicodeText::isWhiteSpace(char32_t c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85)
        return true;
    const int8_t type = u_charType(static_cast<UChar32>(c));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

QString UnicodeText::trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    qsizetype width = 0;
    while (begin < end && isWhiteSpace(codePointAt(text, begin, &width)))
        begin += width;
    while (end > begin && isWhiteSpace(codePointBefore(text, end, &width)))
        end -= width;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

QString UnicodeText::truncatedToGraphemes(const QString &text, qsizetype limit, qsizetype unitLimit)
{
    // Every cluster is at least one UTF-16 unit long.
    if (text.size() <= std::min(limit, unitLimit))
        return text;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        return text.left(std::min(limit, unitLimit));
    const icu::UnicodeString alias = aliasOf(text);
    clusters->setText(alias);
    qsizetype end = 0;
    for (qsizetype count = 0; count < limit; ++count) {
        const int32_t boundary = clusters->next();
        if (boundary == icu::BreakIterator::DONE)
            break;
        if (boundary > unitLimit) {
            // A single cluster longer than the whole bound (a letter under
            // millions of accents) is cut inside; wellFormed() mends a
            // surrogate pair cut in two.
            if (end == 0)
                end = unitLimit;
            break;
        }
        end = boundary;
    }
    return end == text.size() ? text : text.left(end);
}

bool UnicodeText::determinesLeadingGraphemes(QStringView prefix, qsizetype limit)
{
    qsizetype begin = 0;
    qsizetype width = 0;
    while (begin < prefix.size() && isWhiteSpace(codePointAt(prefix, begin, &width)))
        begin += width;
    // Every cluster is at least one UTF-16 unit long.
    if (prefix.size() - begin <= limit)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        return false;
    // The trimmed text starts at `begin`: its clusters are counted from there.
    const QStringView rest = prefix.mid(begin);
    const icu::UnicodeString alias(false, reinterpret_cast<const char16_t *>(rest.utf16()),
                                   static_cast<int32_t>(rest.size()));
    clusters->setText(alias);
    int32_t cut = clusters->first();
    for (qsizetype count = 0; count < limit; ++count) {
        cut = clusters->next();
        if (cut == icu::BreakIterator::DONE)
            return false;
    }
    // The last cluster may still grow with what follows: only what comes
    // before it is final.
    const int32_t lastClusterStart = clusters->last() == 0 ? 0 : clusters->previous();
    for (qsizetype i = cut; i < lastClusterStart; i += width) {
        if (!isWhiteSpace(codePointAt(rest, i, &width)))
            return true;
    }
    return false;
}

QString UnicodeText::wellFormed(const QString &text)
{
    if (text.isValidUtf16())
        return text;
    QString result = text;
    qsizetype width = 0;
    for (qsizetype i = 0; i < result.size(); i += width) {
        const char32_t c = codePointAt(result, i, &width);
        if (width == 1 && QChar::isSurrogate(c))
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

QString UnicodeText::decomposed(const QString &text)
{
    const icu::Normalizer2 *nfd = nfdNormalizer();
    if (!nfd)
        return text;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString alias = aliasOf(text);
    const int32_t normalizedPrefix = nfd->spanQuickCheckYes(alias, status);
    if (U_FAILURE(status) || normalizedPrefix == alias.length())
        return text;
    icu::UnicodeString result = nfd->normalize(alias, status);
    return U_FAILURE(status) ? text : toQString(result);
}

bool UnicodeText::equalsDecomposed(const QString &text, const QString &decomposedOther)
{
    if (text == decomposedOther)
        return true;
    const icu::Normalizer2 *nfd = nfdNormalizer();
    if (!nfd)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString alias = aliasOf(text);
    // The quick-check span ends on a normalization boundary, so the NFD form
    // of `text` starts with that span unchanged: compare it first, and
    // normalise only the rest.
    const int32_t span = nfd->spanQuickCheckYes(alias, status);
    if (U_FAILURE(status) || span == alias.length())
        return false;
    if (!QStringView(decomposedOther).startsWith(QStringView(text).left(span)))
        return false;
    icu::UnicodeString rest = nfd->normalize(alias.tempSubString(span), status);
    if (U_FAILURE(status))
        return false;
    return QStringView(decomposedOther).mid(span) ==
           QStringView(reinterpret_cast<const QChar *>(rest.getBuffer()), rest.length());
}

bool UnicodeText::canonicallyEqual(const QString &a, const QString &b)
{
    return a == b || equalsDecomposed(a, decomposed(b));
}

} // namespace quillet::history
