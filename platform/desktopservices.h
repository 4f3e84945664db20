// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboard.h"
#include "desktopintegration.h"
#include "frontmostapplication.h"
#include "globalshortcuts.h"
#include "pasteinput.h"
#include "scheduler.h"
#include "systemsound.h"

#include <QString>

#include <memory>

namespace quillet::platform {

// Every desktop service the program uses, chosen once for the desktop it runs
// on: the X11 ones under X11 (and XWayland), stand-ins that do nothing
// elsewhere (for example the offscreen platform of the tests).
struct DesktopServices final
{
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<FrontmostApplication> frontmostApplication;
    std::unique_ptr<SystemSound> systemSound;
    std::unique_ptr<Scheduler> scheduler;
    std::unique_ptr<GlobalShortcuts> globalShortcuts;
    std::unique_ptr<PasteInput> pasteInput;
    // What the user may enable for this desktop; none on most.
    std::unique_ptr<DesktopIntegration> integration;

    // Needs the application object to exist. `dataFolder` is where the
    // services keep what they must remember across starts (the desktop's
    // permission to type); empty, they keep nothing.
    static DesktopServices create(const QString &dataFolder = QString());
};

} // namespace quillet::platform
