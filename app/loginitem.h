// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::app {

// Starting at login, the freedesktop way: an entry in the user's autostart
// folder ($XDG_CONFIG_HOME/autostart) that runs this program. The entry's
// presence is the setting.
class LoginItem final
{
public:
    // `executable` is what the entry runs.
    explicit LoginItem(QString executable);

    // $XDG_CONFIG_HOME/autostart/io.quillet.Quillet.desktop, where
    // XDG_CONFIG_HOME is an absolute path, else under ~/.config.
    static QString entryPath();

    bool isEnabled() const;
    // Writes or removes the entry; false, logged, when that failed.
    bool setEnabled(bool enabled);

private:
    QString m_executable;
};

} // namespace quillet::app
