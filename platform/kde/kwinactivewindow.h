// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frontmostapplication.h"
#include "common/desktopentryindex.h"

#include <QDBusContext>
#include <QObject>
#include <QTemporaryFile>

#include <memory>

namespace quillet::platform {

// The application in front on KDE Plasma, whose compositor tells clients
// nothing of other windows: a small KWin script, loaded over D-Bus, reports
// every activation back to this object over D-Bus. The script is unloaded
// when this object goes.
class KWinActiveWindow final : public QObject, public FrontmostApplication, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillet.Quillet.KWin")

public:
    static constexpr char objectPath[] = "/io/quillet/Quillet/KWin";
    static constexpr char pluginName[] = "quillet-active-window";

    // None where KWin does not run on the session bus or refuses the script.
    static std::unique_ptr<KWinActiveWindow> create();
    ~KWinActiveWindow() override;

    std::optional<QString> name() override;
    PasteShortcut pasteShortcut() override;

public Q_SLOTS:
    // Called by the script.
    void windowActivated(const QString &resourceClass, const QString &desktopFileName);

private:
    KWinActiveWindow() = default;
    bool load();

    QTemporaryFile m_script;
    bool m_loaded = false;
    QString m_kwinOwner;
    QString m_resourceClass;
    QString m_desktopFileName;
    DesktopEntryIndex m_entries;
};

} // namespace quillet::platform
