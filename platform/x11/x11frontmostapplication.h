// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/desktopentryindex.h"
#include "frontmostapplication.h"

#include <xcb/xcb.h>

namespace quillet::platform {

// The application of the window that the window manager names in the root
// window's _NET_ACTIVE_WINDOW, by its WM_CLASS: shown as the Name of its
// desktop entry where one matches, else as the WM_CLASS class itself.
class X11FrontmostApplication final : public FrontmostApplication
{
public:
    explicit X11FrontmostApplication(xcb_connection_t *connection);

    std::optional<QString> name() override;
    PasteShortcut pasteShortcut() override;

private:
    struct WindowClass
    {
        QString instance;
        QString wmClass;
    };
    std::optional<WindowClass> activeWindowClass();
    xcb_window_t activeWindow();
    xcb_atom_t internAtom(const char *name);

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_activeWindowAtom = XCB_NONE;
    DesktopEntryIndex m_entries;
};

} // namespace quillet::platform
