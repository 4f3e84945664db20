// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <QAbstractNativeEventFilter>

#include <map>
#include <vector>
#include <xcb/xcb.h>

struct _XCBKeySymbols;

namespace quillet::platform {

// Global shortcuts as passive key grabs on the root window: every keycode that
// produces the key's symbol, with every combination of CapsLock, NumLock and
// ScrollLock, so that the shortcuts work whichever lock is on. A combination
// that another client holds already fails with BadAccess (10), alone. A
// shortcut held down reports one press: the key's repeats are swallowed.
class X11GlobalShortcuts final : public GlobalShortcuts, public QAbstractNativeEventFilter
{
public:
    explicit X11GlobalShortcuts(xcb_connection_t *connection);
    ~X11GlobalShortcuts() override;

    Target applicationTarget() override;
    Status installHandler(Target target, Handler handler, HandlerRef &handlerRef) override;
    Status registerShortcut(Key key, std::uint32_t modifiers, ShortcutId id, Target target,
                            ShortcutRef &shortcutRef) override;
    Status pressedShortcut(const Event *event, ShortcutId &id) override;
    void unregisterShortcut(ShortcutRef shortcutRef) override;
    void removeHandler(HandlerRef handlerRef) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Grab
    {
        ShortcutId id;
        xcb_keysym_t keysym;
        std::uint16_t modifiers;
        std::vector<xcb_keycode_t> keycodes;
    };

    struct HeldKey
    {
        xcb_keycode_t keycode = 0;
        xcb_timestamp_t lastPressTime = 0;
        bool released = false;
        xcb_timestamp_t releaseTime = 0;
    };

    bool isRepeat(const xcb_key_press_event_t &press);
    Status grab(Grab &grab);
    void ungrab(const Grab &grab);
    std::vector<std::uint16_t> lockCombinations() const;
    void readLockMasks();
    void regrabAll();

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_NONE;
    _XCBKeySymbols *m_keySymbols;
    std::uint16_t m_numLockMask = 0;
    std::uint16_t m_scrollLockMask = 0;
    Handler m_handler;
    bool m_filterInstalled = false;
    std::map<ShortcutRef, Grab> m_grabs;
    ShortcutRef m_nextRef = 1;
    HeldKey m_held;
};

} // namespace quillet::platform
