// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"

namespace quillet::tests {

// A clipboard that other "programs" (the test) write to with copyFromElsewhere().
class FakeClipboard final : public platform::Clipboard
{
public:
    std::int64_t changeCount() const override { return m_changeCount; }
    std::optional<QString> text() override
    {
        ++textReads;
        return m_text;
    }
    void clear() override
    {
        m_text.reset();
        ++m_changeCount;
    }
    void setText(const QString &text) override
    {
        m_text = text;
        ++m_changeCount;
    }

    void copyFromElsewhere(std::optional<QString> text)
    {
        m_text = std::move(text);
        ++m_changeCount;
    }
    const std::optional<QString> &contents() const { return m_text; }

    int textReads = 0;

private:
    std::optional<QString> m_text;
    std::int64_t m_changeCount = 100;
};

} // namespace quillet::tests
