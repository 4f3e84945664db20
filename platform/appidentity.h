// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet {

// The program's display name: the history folder's name, the window's title,
// the tray icon's accessible name and the first field of every log line.
inline const QString appName = QStringLiteral("Quillet");

// The reverse-DNS application id: the name on the session bus, the desktop
// entry's file name and the icon's name.
inline const QString applicationId = QStringLiteral("io.quillet.Quillet");
inline const QString applicationObjectPath = QStringLiteral("/io/quillet/Quillet");

// The age, in seconds, after which a history entry expires.
inline constexpr double retentionWindow = 86400.0;

} // namespace quillet
