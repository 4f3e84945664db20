// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::platform {

// Desktop notifications (org.freedesktop.Notifications on the session bus).
class DesktopNotifier final
{
public:
    // Shows a notification where a notification service runs; false where
    // none answered.
    static bool notify(const QString &summary, const QString &body);
};

} // namespace quillet::platform
