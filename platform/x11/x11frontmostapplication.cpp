// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11frontmostapplication.h"

#include "xcbreply.h"

#include <cstring>

namespace quillet::platform {

X11FrontmostApplication::X11FrontmostApplication(xcb_connection_t *connection)
    : m_connection(connection)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen)
        m_root = screen->root;
    m_activeWindowAtom = internAtom("_NET_ACTIVE_WINDOW");
}

xcb_atom_t X11FrontmostApplication::internAtom(const char *name)
{
    const auto cookie =
        xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_connection, cookie, nullptr));
    return reply ? reply->atom : XCB_NONE;
}

xcb_window_t X11FrontmostApplication::activeWindow()
{
    if (m_root == XCB_NONE || m_activeWindowAtom == XCB_NONE)
        return XCB_NONE;
    const auto cookie =
        xcb_get_property(m_connection, 0, m_root, m_activeWindowAtom, XCB_ATOM_WINDOW, 0, 1);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return XCB_NONE;
    xcb_window_t window = XCB_NONE;
    std::memcpy(&window, xcb_get_property_value(reply.get()), sizeof window);
    return window;
}

std::optional<QString> X11FrontmostApplication::name()
{
    const std::optional<WindowClass> active = activeWindowClass();
    if (!active)
        return std::nullopt;
    if (auto entryName = m_entries.nameFor(active->instance, active->wmClass))
        return entryName;
    return active->wmClass.isEmpty() ? active->instance : active->wmClass;
}

PasteShortcut X11FrontmostApplication::pasteShortcut()
{
    const std::optional<WindowClass> active = activeWindowClass();
    if (!active)
        return PasteShortcut::ControlV;
    return pasteShortcutFor(active->instance, active->wmClass,
                            m_entries.isTerminalEmulator(active->instance, active->wmClass));
}

std::optional<X11FrontmostApplication::WindowClass> X11FrontmostApplication::activeWindowClass()
{
    const xcb_window_t window = activeWindow();
    if (window == XCB_NONE)
        return std::nullopt;
    const auto cookie =
        xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->format != 8)
        return std::nullopt;
    // WM_CLASS holds two NUL-terminated strings: the instance, then the class.
    const auto *bytes = static_cast<const char *>(xcb_get_property_value(reply.get()));
    const auto length = static_cast<size_t>(xcb_get_property_value_length(reply.get()));
    const size_t instanceLength = strnlen(bytes, length);
    const QString instance = QString::fromLocal8Bit(bytes, static_cast<qsizetype>(instanceLength));
    QString wmClass;
    if (instanceLength + 1 < length) {
        const char *classBytes = bytes + instanceLength + 1;
        wmClass = QString::fromLocal8Bit(
            classBytes, static_cast<qsizetype>(strnlen(classBytes, length - instanceLength - 1)));
    }
    if (instance.isEmpty() && wmClass.isEmpty())
        return std::nullopt;
    return WindowClass{instance, wmClass};
}

} // namespace quillet::platform
