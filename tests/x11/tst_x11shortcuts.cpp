// SPDX-License-Identifier: GPL-3.0-or-later
// The keys that XTest posts for a paste, as the focused window receives them.
#include "desktopservices.h"
#include "x11/x11keyboard.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <xcb/xcb.h>

using quillet::platform::PasteShortcut;

class TestX11Shortcuts : public QObject
{
    Q_OBJECT

    quillet::platform::DesktopServices m_services;
    xcb_connection_t *m_listener = nullptr;

    // The next press of a key other than a modifier on our focused window; a
    // zeroed one when none comes.
    xcb_key_press_event_t nextShortcut()
    {
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            xcb_generic_event_t *event = xcb_poll_for_event(m_listener);
            if (!event) {
                QTest::qWait(10);
                continue;
            }
            const auto press = *reinterpret_cast<xcb_key_press_event_t *>(event);
            std::free(event);
            const auto modifiers = quillet::platform::X11Keyboard::modifierKeycodes(m_listener);
            if ((press.response_type & 0x7f) == XCB_KEY_PRESS &&
                std::find(modifiers.begin(), modifiers.end(), press.detail) == modifiers.end())
                return press;
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_services = quillet::platform::DesktopServices::create();
        m_listener = xcb_connect(nullptr, nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_listener)).data;
        const xcb_window_t window = xcb_generate_id(m_listener);
        const std::uint32_t values[] = {1, XCB_EVENT_MASK_KEY_PRESS};
        xcb_create_window(m_listener, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(m_listener, window);
        xcb_set_input_focus(m_listener, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        free(xcb_get_input_focus_reply(m_listener, xcb_get_input_focus(m_listener), nullptr));
    }

    void cleanupTestCase() { xcb_disconnect(m_listener); }

    // Exactly the shortcut's modifiers; a layout without Latin letters
    // (Russian alone) gets Ctrl with the key where V sits, keycode 55.
    void postsEachShortcutWithItsModifiersOnly()
    {
        const struct
        {
            PasteShortcut shortcut;
            const char *layout;
            std::uint16_t modifiers;
        } cases[] = {
            {PasteShortcut::ControlV, "us", XCB_MOD_MASK_CONTROL},
            {PasteShortcut::ControlShiftV, "us", XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT},
            {PasteShortcut::ShiftInsert, "us", XCB_MOD_MASK_SHIFT},
            {PasteShortcut::ControlV, "ru", XCB_MOD_MASK_CONTROL},
        };
        for (const auto &expected : cases) {
            QProcess::execute(QStringLiteral("setxkbmap"), {QString::fromLatin1(expected.layout)});
            const bool posted = m_services.pasteInput->postPaste(expected.shortcut);
            QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
            QVERIFY(posted);
            const xcb_key_press_event_t press = nextShortcut();
            QCOMPARE(press.state & 0xff, expected.modifiers);
            if (expected.shortcut != PasteShortcut::ShiftInsert)
                QCOMPARE(press.detail, xcb_keycode_t(55));
        }
    }
};

QTEST_MAIN(TestX11Shortcuts)
#include "tst_x11shortcuts.moc"
