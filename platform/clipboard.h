// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace quillet::platform {

// The desktop's clipboard (on X11 the CLIPBOARD selection) as plain text.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    // A counter that changes on every change of the clipboard's contents, by
    // any program, and at once on this program's own writes. Reading it costs
    // nothing: it never talks to the clipboard's owner.
    virtual std::int64_t changeCount() const = 0;

    // The current plain text; none when the clipboard holds no text. May wait
    // for the owner of the clipboard, but only for a bounded time.
    virtual std::optional<QString> text() = 0;

    // Empties the clipboard and makes this program its owner.
    virtual void clear() = 0;
    virtual void setText(const QString &text) = 0;
};

} // namespace quillet::platform
