// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"

namespace quillet::tests {

// A clipboard that other "programs" (the test) copy to. A copy is noticed,
// then read; the test may hold the read back to play a slow owner.
class FakeClipboard final : public platform::Clipboard
{
public:
    void watch(Watcher watcher) override { m_watcher = std::move(watcher); }
    void setPrimaryText(const QString &text) override { primary = text; }
    QString primary;
    void setText(const QString &text) override { m_text = text; }
    void restoreText(const QString &text, std::uint64_t serial) override
    {
        if (serial == m_serial)
            m_text = text;
    }
    void setKeepable(std::uint64_t serial, bool keepable) override
    {
        keepableSerial = keepable ? serial : 0;
    }
    // The change whose copy may be taken over when its owner quits; 0: none.
    std::uint64_t keepableSerial = 0;

    // Another program copies `text` (none: an image, a file list); each call
    // is a new owner unless `owner` says otherwise.
    void copyFromElsewhere(std::optional<QString> text, std::uint64_t owner = 0)
    {
        notice(std::move(text), owner);
        readNoticed();
    }
    // A password manager's copy, marked as secret.
    void copySecret()
    {
        notice(std::nullopt, 0, Kind::Secret);
        readNoticed();
    }
    // The program that owns the clipboard quits, and the clipboard is empty.
    void ownerQuits()
    {
        notice(std::nullopt, 0, Kind::OwnerGone);
        readNoticed();
    }
    enum class Kind
    {
        Copy,
        Secret,
        OwnerGone
    };
    // The first half of a copy: the change is known, its content not read.
    void notice(std::optional<QString> text, std::uint64_t owner, Kind kind = Kind::Copy)
    {
        m_text = text;
        platform::ClipboardChange change;
        change.serial = ++m_serial;
        change.owner = kind == Kind::OwnerGone ? 0 : owner ? owner : ++m_lastOwner;
        change.text = std::move(text);
        change.secret = kind == Kind::Secret;
        change.ownerGone = kind == Kind::OwnerGone;
        if (change.text)
            change.formats << QStringLiteral("UTF8_STRING");
        m_unread.push_back(change);
        if (m_watcher.changed)
            m_watcher.changed(change.serial);
    }
    void readNoticed()
    {
        while (!m_unread.isEmpty())
            readOldest();
    }
    void readOldest()
    {
        const platform::ClipboardChange change = m_unread.takeFirst();
        if (m_watcher.read)
            m_watcher.read(change);
    }

    const std::optional<QString> &contents() const { return m_text; }
    std::uint64_t lastSerial() const { return m_serial; }
    const Watcher &watcher() const { return m_watcher; }

private:
    Watcher m_watcher;
    std::optional<QString> m_text;
    QList<platform::ClipboardChange> m_unread;
    std::uint64_t m_serial = 100;
    std::uint64_t m_lastOwner = 1000;
};

} // namespace quillet::tests
