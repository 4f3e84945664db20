// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"

#include <QObject>

#include <memory>

namespace quillet::platform {

class GnomeShellBridge;

// The clipboard on GNOME: through the Shell extension while it runs, which
// sees every copy, Wayland's and X11's alike; through `fallback` (XWayland)
// while it does not. The switch follows the extension without a restart.
class GnomeClipboard final : public QObject, public Clipboard
{
    Q_OBJECT

public:
    GnomeClipboard(std::shared_ptr<GnomeShellBridge> bridge, std::unique_ptr<Clipboard> fallback);
    ~GnomeClipboard() override;

    void watch(Watcher watcher) override;
    void setText(const QString &text) override;
    void setPrimaryText(const QString &text) override;

private:
    void follow(bool bridgePresent);
    void changed(const QStringList &formats, bool secret, const QString &textFormat,
                 const QByteArray &text);

    std::shared_ptr<GnomeShellBridge> m_bridge;
    std::unique_ptr<Clipboard> m_fallback;
    Watcher m_watcher;
    std::uint64_t m_serial = 0;
};

} // namespace quillet::platform
