// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace quillet::platform {

enum class Selection
{
    Clipboard,
    Primary,
};

// One change of the clipboard made by another program, read off the main
// thread.
struct ClipboardChange
{
    // Grows with every change, in the order the changes happened.
    std::uint64_t serial = 0;
    // Who owns the clipboard (on X11 the owner's window); 0 when unknown.
    std::uint64_t owner = 0;
    // What the owner offers: MIME types, or X11 target names.
    QStringList formats;
    // The owner marked the copy as a password: its text was never asked for.
    bool secret = false;
    // None when no text is offered, or the owner did not deliver it in time.
    std::optional<QString> text;
    // The clipboard went empty because its owner went away (quit, or closed
    // the window that held it), not because a program emptied it.
    bool ownerGone = false;
};

// The desktop's clipboard (on X11 the CLIPBOARD selection) as plain text.
// Every read runs off the main thread, so that no other program can make
// this one wait; results come back to the main thread in order.
class Clipboard
{
public:
    // The format by which password managers mark a copy; "secret" as its
    // value means the text must not be kept anywhere.
    static constexpr char passwordManagerHint[] = "x-kde-passwordManagerHint";

    struct Watcher
    {
        // On the main thread, as soon as a change by another program is
        // known and before it is read.
        std::function<void(std::uint64_t serial)> changed;
        // On the main thread, once that change has been read.
        std::function<void(const ClipboardChange &change)> read;
        // Whether the text received so far is all that will be kept of it, so
        // that the rest of a huge copy need not be transferred. Called on the
        // reading thread: it must not touch shared state.
        std::function<bool(QStringView textSoFar)> enough;
    };

    virtual ~Clipboard() = default;

    // Reports every later change by another program to `watcher`; the
    // clipboard's content at this moment is not reported. An empty watcher
    // stops the reports.
    virtual void watch(Watcher watcher) = 0;

    // Makes this program the clipboard's owner, offering `text` until another
    // program takes the clipboard. Never reported as a change.
    virtual void setText(const QString &text) = 0;

    // Puts `text` back on the clipboard as this program's own, after the
    // owner of change `serial` went away, unless the clipboard changed again
    // since: a newer copy always wins.
    virtual void restoreText(const QString &text, std::uint64_t serial)
    {
        Q_UNUSED(serial);
        setText(text);
    }

    // Offers `text` as the primary selection too (what middle-click and
    // Shift+Insert paste in X11 terminals), where the desktop has one.
    virtual void setPrimaryText(const QString &text) = 0;

    // Whether the copy of change `serial` may be taken over, in all its
    // formats, when the program that made it hands it over on quitting (the
    // X11 clipboard manager protocol). Told after each change is read; a
    // secret copy, or one made while capture is paused, is never taken.
    virtual void setKeepable(std::uint64_t serial, bool keepable)
    {
        Q_UNUSED(serial);
        Q_UNUSED(keepable);
    }
};

} // namespace quillet::platform
