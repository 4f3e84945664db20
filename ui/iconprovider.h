// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QQuickImageProvider>

namespace quillet::ui {

// The window's icons, drawn from our own SVGs in any colour, so that they
// follow the desktop palette: "image://icons/<name>/<rrggbb or aarrggbb>".
class IconProvider final : public QQuickImageProvider
{
public:
    static constexpr const char *providerId = "icons";

    IconProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

} // namespace quillet::ui
