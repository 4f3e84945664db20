// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"

#include <QObject>

class QClipboard;

namespace quillet::platform {

// The CLIPBOARD selection through QClipboard. Qt reports every change of
// owner (XFixes on X11) and reports this program's own writes at once, inside
// the write; both advance the change counter.
class QtClipboard final : public QObject, public Clipboard
{
    Q_OBJECT

public:
    explicit QtClipboard(QObject *parent = nullptr);

    std::int64_t changeCount() const override { return m_changeCount; }
    std::optional<QString> text() override;
    void clear() override;
    void setText(const QString &text) override;

private:
    QClipboard *m_clipboard;
    std::int64_t m_changeCount = 0;
};

} // namespace quillet::platform
