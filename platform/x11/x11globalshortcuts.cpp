// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11globalshortcuts.h"

#include "x11keyboard.h"
#include "xcbreply.h"

#include <QCoreApplication>

#include <xcb/xcb_keysyms.h>

namespace quillet::platform {

namespace {

constexpr std::int32_t statusNoDisplay = -1;
constexpr std::int32_t statusNoKeycode = -2;
constexpr std::int32_t statusNoHandler = -3;

xcb_keysym_t keysymOf(GlobalShortcuts::Key key)
{
    switch (key) {
    case GlobalShortcuts::Key::V:
        return X11Keyboard::keysymV;
    case GlobalShortcuts::Key::Digit1:
        return 0x0031;
    case GlobalShortcuts::Key::Digit2:
        return 0x0032;
    }
    return 0;
}

std::uint16_t x11Modifiers(std::uint32_t modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & GlobalShortcuts::Control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & GlobalShortcuts::Alt)
        mask |= XCB_MOD_MASK_1;
    return mask;
}

} // namespace

X11GlobalShortcuts::X11GlobalShortcuts(xcb_connection_t *connection)
    : m_connection(connection), m_keySymbols(xcb_key_symbols_alloc(connection))
{
    if (const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data)
        m_root = screen->root;
    readLockMasks();
}

X11GlobalShortcuts::~X11GlobalShortcuts()
{
    for (const auto &[ref, grabbed] : m_grabs)
        ungrab(grabbed);
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_flush(m_connection);
    xcb_key_symbols_free(m_keySymbols);
}

GlobalShortcuts::Target X11GlobalShortcuts::applicationTarget()
{
    return m_root;
}

GlobalShortcuts::Status X11GlobalShortcuts::installHandler(Target target, Handler handler,
                                                           HandlerRef &handlerRef)
{
    if (target == XCB_NONE || !QCoreApplication::instance())
        return statusNoDisplay;
    m_handler = std::move(handler);
    if (!m_filterInstalled) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    handlerRef = 1;
    return 0;
}

GlobalShortcuts::Status X11GlobalShortcuts::registerShortcut(Key key, std::uint32_t modifiers,
                                                             ShortcutId id, Target target,
                                                             ShortcutRef &shortcutRef)
{
    if (target != m_root || m_root == XCB_NONE)
        return statusNoDisplay;
    Grab wanted{id, keysymOf(key), x11Modifiers(modifiers), {}};
    const Status status = grab(wanted);
    if (status != 0)
        return status;
    shortcutRef = m_nextRef++;
    m_grabs.emplace(shortcutRef, std::move(wanted));
    return 0;
}

GlobalShortcuts::Status X11GlobalShortcuts::pressedShortcut(const Event *event, ShortcutId &id)
{
    if (!event)
        return statusNoHandler;
    id = event->id;
    return event->readStatus;
}

void X11GlobalShortcuts::unregisterShortcut(ShortcutRef shortcutRef)
{
    const auto found = m_grabs.find(shortcutRef);
    if (found == m_grabs.end())
        return;
    ungrab(found->second);
    m_grabs.erase(found);
    xcb_flush(m_connection);
}

void X11GlobalShortcuts::removeHandler(HandlerRef)
{
    m_handler = nullptr;
}

// Each variant is checked on its own, so that a combination held by another
// client is known at once; the variants already grabbed are then released.
GlobalShortcuts::Status X11GlobalShortcuts::grab(Grab &wanted)
{
    wanted.keycodes.clear();
    const XcbReply<xcb_keycode_t> keycodes(
        xcb_key_symbols_get_keycode(m_keySymbols, wanted.keysym));
    for (const xcb_keycode_t *code = keycodes.get(); code && *code != XCB_NO_SYMBOL; ++code)
        wanted.keycodes.push_back(*code);
    if (wanted.keycodes.empty())
        return statusNoKeycode;
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : wanted.keycodes) {
        for (const std::uint16_t locks : lockCombinations())
            cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root,
                                                   wanted.modifiers | locks, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    Status status = 0;
    for (const xcb_void_cookie_t cookie : cookies) {
        const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
        if (error && status == 0)
            status = error->error_code;
    }
    if (status != 0)
        ungrab(wanted);
    return status;
}

void X11GlobalShortcuts::ungrab(const Grab &grabbed)
{
    for (const xcb_keycode_t keycode : grabbed.keycodes) {
        for (const std::uint16_t locks : lockCombinations())
            xcb_ungrab_key(m_connection, keycode, m_root, grabbed.modifiers | locks);
    }
}

std::vector<std::uint16_t> X11GlobalShortcuts::lockCombinations() const
{
    const std::uint16_t locks[] = {XCB_MOD_MASK_LOCK, m_numLockMask, m_scrollLockMask};
    std::vector<std::uint16_t> combinations{0};
    for (const std::uint16_t lock : locks) {
        if (lock == 0)
            continue;
        const size_t count = combinations.size();
        for (size_t i = 0; i < count; ++i)
            combinations.push_back(combinations[i] | lock);
    }
    return combinations;
}

void X11GlobalShortcuts::readLockMasks()
{
    m_numLockMask = X11Keyboard::modifierMaskOf(m_connection, m_keySymbols, 0xff7f); // Num_Lock
    m_scrollLockMask =
        X11Keyboard::modifierMaskOf(m_connection, m_keySymbols, 0xff14); // Scroll_Lock
}

void X11GlobalShortcuts::regrabAll()
{
    for (auto &[ref, grabbed] : m_grabs)
        ungrab(grabbed);
    readLockMasks();
    for (auto &[ref, grabbed] : m_grabs)
        grab(grabbed);
    xcb_flush(m_connection);
}

// A repeat is a press of the key that is still held, or (where the server
// reports repeats as release and press pairs) one at the time of its release.
// Repeats come at least every second; a later press is a new one, in case
// a release went elsewhere.
bool X11GlobalShortcuts::isRepeat(const xcb_key_press_event_t &press)
{
    constexpr xcb_timestamp_t longestRepeatDelayMs = 1000;
    const bool repeat =
        press.detail == m_held.keycode &&
        (m_held.released ? m_held.releaseTime == press.time
                         : press.time - m_held.lastPressTime < longestRepeatDelayMs);
    if (repeat) {
        m_held.lastPressTime = press.time;
        m_held.released = false;
    }
    return repeat;
}

bool X11GlobalShortcuts::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto *mapping = static_cast<const xcb_mapping_notify_event_t *>(message);
        if (mapping->request != XCB_MAPPING_POINTER) {
            xcb_refresh_keyboard_mapping(m_keySymbols,
                                         const_cast<xcb_mapping_notify_event_t *>(mapping));
            regrabAll();
        }
        return false;
    }
    if (type == XCB_KEY_RELEASE) {
        // While the grab that a press started lasts, its release comes to
        // whichever of our windows has the focus, not always to the root.
        const auto *release = static_cast<const xcb_key_release_event_t *>(message);
        if (release->detail == m_held.keycode) {
            m_held.released = true;
            m_held.releaseTime = release->time;
        }
        return false;
    }
    if (type != XCB_KEY_PRESS || !m_handler)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    if (press->event != m_root)
        return false;
    const std::uint16_t lockBits = XCB_MOD_MASK_LOCK | m_numLockMask | m_scrollLockMask;
    const std::uint16_t held = press->state & 0xff & ~lockBits;
    for (const auto &[ref, grabbed] : m_grabs) {
        if (held != grabbed.modifiers)
            continue;
        for (const xcb_keycode_t keycode : grabbed.keycodes) {
            if (keycode == press->detail) {
                if (isRepeat(*press))
                    return true;
                m_held = {press->detail, press->time, false, 0};
                const Event pressed{grabbed.id, 0};
                m_handler(&pressed);
                return true;
            }
        }
    }
    return false;
}

} // namespace quillet::platform
