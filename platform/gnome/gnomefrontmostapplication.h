// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/desktopentryindex.h"
#include "frontmostapplication.h"

#include <memory>

namespace quillet::platform {

class GnomeShellBridge;

// The application in front as GNOME Shell's extension names it, shown as the
// Name of its desktop entry; `fallback` while the extension does not run.
class GnomeFrontmostApplication final : public FrontmostApplication
{
public:
    GnomeFrontmostApplication(std::shared_ptr<GnomeShellBridge> bridge,
                              std::unique_ptr<FrontmostApplication> fallback);

    std::optional<QString> name() override;
    PasteShortcut pasteShortcut() override;

private:
    std::shared_ptr<GnomeShellBridge> m_bridge;
    std::unique_ptr<FrontmostApplication> m_fallback;
    DesktopEntryIndex m_entries;
};

} // namespace quillet::platform
