// SPDX-License-Identifier: GPL-3.0-or-later
#include "textaccumulator.h"

namespace quillet::platform {

namespace {

// Below this many units a text is never long enough to be cut.
constexpr qsizetype firstCheckUnits = 64 * 1024;

} // namespace

TextAccumulator::TextAccumulator(QStringDecoder::Encoding encoding,
                                 std::function<bool(QStringView)> enough)
    : m_decoder(encoding), m_enough(std::move(enough))
{}

bool TextAccumulator::append(QByteArrayView bytes)
{
    m_text += m_decoder(bytes);
    m_bytes += bytes.size();
    if (m_bytes >= maxBytes)
        return false;
    // Checked each time the text has doubled, so that all the checks cost
    // about as much as one check of the whole.
    if (m_enough && m_text.size() >= 2 * m_checkedAt && m_text.size() >= firstCheckUnits) {
        m_checkedAt = m_text.size();
        return !m_enough(m_text);
    }
    return true;
}

std::optional<QString> TextAccumulator::take()
{
    if (m_text.isEmpty())
        return std::nullopt;
    return std::move(m_text);
}

} // namespace quillet::platform
