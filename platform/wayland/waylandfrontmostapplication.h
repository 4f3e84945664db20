// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/desktopentryindex.h"
#include "frontmostapplication.h"

#include <memory>

namespace quillet::platform {

class WaylandSession;

// The application of the activated toplevel, by its app id, as the
// compositor's foreign-toplevel protocol reports it; shown as the Name of its
// desktop entry where one matches.
class WaylandFrontmostApplication final : public FrontmostApplication
{
public:
    explicit WaylandFrontmostApplication(std::shared_ptr<WaylandSession> session);

    std::optional<QString> name() override;
    PasteShortcut pasteShortcut() override;

private:
    std::shared_ptr<WaylandSession> m_session;
    DesktopEntryIndex m_entries;
};

} // namespace quillet::platform
