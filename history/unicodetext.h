// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::history {

// The Unicode rules of the history, on ICU.
class UnicodeText final
{
public:
    // Removes leading and trailing characters of the categories Zs, Zl and Zp
    // and U+0009..U+000D and U+0085. Inner characters are kept.
    static QString trimmed(const QString &text);

    // The first `limit` extended grapheme clusters of `text` (user-perceived
    // characters: a flag, an emoji ZWJ sequence or a Hangul syllable counts as
    // one), and no more than `unitLimit` UTF-16 units of them: cut at the last
    // cluster boundary within that bound, or inside a first cluster that is
    // longer. A text within both limits comes back whole.
    static QString truncatedToGraphemes(const QString &text, qsizetype limit, qsizetype unitLimit);

    // Whether `prefix` already fixes truncatedToGraphemes(trimmed(t), limit)
    // for every text t that starts with it: more than `limit` clusters follow
    // the leading white space, and a complete cluster after them holds
    // something other than white space. Lets a reader stop early.
    static bool determinesLeadingGraphemes(QStringView prefix, qsizetype limit);

    // Well-formed UTF-16: every lone surrogate replaced by U+FFFD, so that the
    // text reads back from its UTF-8 file form exactly as it is held.
    static QString wellFormed(const QString &text);

    // Canonical decomposition (NFD).
    static QString decomposed(const QString &text);

    // Equality under canonical equivalence; case matters.
    static bool canonicallyEqual(const QString &a, const QString &b);

    // Equality of `text` with a text already in NFD form. Cheaper than
    // canonicallyEqual() when one side is compared against many others.
    static bool equalsDecomposed(const QString &text, const QString &decomposedOther);

    static bool isWhiteSpace(char32_t c);
};

} // namespace quillet::history
