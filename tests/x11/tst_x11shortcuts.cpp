// SPDX-License-Identifier: GPL-3.0-or-later
// The global shortcuts and the paste into another program's text field, on a
// real X server, pressed with xdotool as a user would.
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "hotkeycontroller.h"
#include "pasteactions.h"
#include "systemclock.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

using namespace quillet;

namespace {

// Runs xdotool with the event loop going: the target window may ask us for
// the clipboard's content meanwhile.
void xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 30000);
    QCOMPARE(process.exitCode(), 0);
}

// Counts what the real services are asked to do.
class CountingPasteInput final : public platform::PasteInput
{
public:
    explicit CountingPasteInput(platform::PasteInput &real) : m_real(real) {}
    bool isTrusted() override { return m_real.isTrusted(); }
    void requestTrust() override { m_real.requestTrust(); }
    bool postPaste(platform::PasteShortcut shortcut) override
    {
        ++posted;
        return m_real.postPaste(shortcut);
    }
    int posted = 0;

private:
    platform::PasteInput &m_real;
};

class CountingSound final : public platform::SystemSound
{
public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

} // namespace

class TestX11Shortcuts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    platform::SystemClock m_clock;
    platform::DesktopServices m_services;
    std::unique_ptr<history::ClipboardStore> m_store;
    std::unique_ptr<capture::ClipboardMonitor> m_monitor;
    std::unique_ptr<CountingPasteInput> m_input;
    CountingSound m_sound;
    std::unique_ptr<shortcuts::PasteActions> m_paste;
    int m_shown = 0;

    std::unique_ptr<shortcuts::HotKeyController> registerShortcuts(bool expected)
    {
        auto controller = std::make_unique<shortcuts::HotKeyController>(*m_services.globalShortcuts,
                                                                        *m_services.scheduler);
        const bool registered = controller->registerControlOptionShortcuts(
            [this] { ++m_shown; },
            [this] { m_paste->quickPasteHistoryItem(shortcuts::PasteActions::latestIndex); },
            [this] { m_paste->quickPasteHistoryItem(shortcuts::PasteActions::previousIndex); });
        [&] { QCOMPARE(registered, expected); }();
        return controller;
    }

    // Holds the keys down as a person does, and lets go only after the paste
    // that the press asked for has been posted.
    void pressShortcut(const QString &key, int expectedPastes)
    {
        xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+") + key});
        QTRY_COMPARE_WITH_TIMEOUT(m_input->posted, expectedPastes, 30000);
        xdotool({QStringLiteral("keyup"), key, QStringLiteral("alt"), QStringLiteral("ctrl")});
    }

    // Starts a text field of another program, focused.
    std::unique_ptr<QProcess> openTextField()
    {
        auto field = std::make_unique<QProcess>();
        field->start(QStringLiteral(QUILLET_TEXT_FIELD));
        [&] {
            QVERIFY(field->waitForStarted());
            xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                     QStringLiteral("Paste Target"), QStringLiteral("windowactivate"),
                     QStringLiteral("--sync")});
        }();
        return field;
    }

    // Every text the field has held, in order.
    static QStringList fieldTexts(QProcess &field)
    {
        static QHash<QProcess *, QStringList> seen;
        while (field.canReadLine()) {
            const auto line = QJsonDocument::fromJson(field.readLine()).array();
            seen[&field] << line.first().toString();
        }
        return seen.value(&field);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        m_services = platform::DesktopServices::create();
        m_store = std::make_unique<history::ClipboardStore>(m_clock);
        m_monitor = std::make_unique<capture::ClipboardMonitor>(
            *m_store, *m_services.clipboard, *m_services.frontmostApplication, m_clock);
        m_input = std::make_unique<CountingPasteInput>(*m_services.pasteInput);
        m_paste = std::make_unique<shortcuts::PasteActions>(
            *m_store, *m_monitor, *m_services.frontmostApplication, *m_input, m_sound,
            *m_services.scheduler);
        QVERIFY(m_input->isTrusted());
    }

    void pastesIntoTheFocusedField()
    {
        auto controller = registerShortcuts(true);
        m_store->capture(QStringLiteral("the older entry"), std::nullopt);
        m_store->capture(QStringLiteral("latest entry / ünïcödé"), std::nullopt);
        const auto before = m_store->items();

        const QString latest = QStringLiteral("latest entry / ünïcödé");
        auto field = openTextField();
        pressShortcut(QStringLiteral("1"), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!fieldTexts(*field).isEmpty(), 30000);
        QCOMPARE(fieldTexts(*field), QStringList{latest}); // pasted once, nothing typed around it
        field->kill();
        field->waitForFinished();

        field = openTextField();
        pressShortcut(QStringLiteral("2"), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!fieldTexts(*field).isEmpty(), 30000);
        QCOMPARE(fieldTexts(*field), QStringList{"the older entry"});
        field->kill();
        field->waitForFinished();

        // With NumLock on.
        xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
        field = openTextField();
        pressShortcut(QStringLiteral("1"), 3);
        QTRY_VERIFY_WITH_TIMEOUT(!fieldTexts(*field).isEmpty(), 30000);
        QCOMPARE(fieldTexts(*field), QStringList{latest});
        field->kill();
        field->waitForFinished();
        xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});

        // The entries keep their time, count and place.
        QVERIFY(m_store->items() == before);
        QCOMPARE(m_shown, 0);
    }

    void aLayoutWithoutVPostsTheKeyWhereVSits()
    {
        QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("ru")});
        xcb_connection_t *listener = xcb_connect(nullptr, nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(listener)).data;
        const xcb_window_t window = xcb_generate_id(listener);
        const std::uint32_t values[] = {1,
                                        XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(listener, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(listener, window);
        xcb_flush(listener);
        // The next event of `type`; a zeroed one when none comes.
        auto nextEvent = [&](std::uint8_t type) {
            xcb_generic_event_t found{};
            const QDeadlineTimer deadline(30000);
            while (found.response_type == 0 && !deadline.hasExpired()) {
                xcb_generic_event_t *event = xcb_poll_for_event(listener);
                if (!event) {
                    QTest::qWait(10);
                    continue;
                }
                if ((event->response_type & 0x7f) == type)
                    found = *event;
                std::free(event);
            }
            return found;
        };
        nextEvent(XCB_MAP_NOTIFY);
        xcb_set_input_focus(listener, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        free(xcb_get_input_focus_reply(listener, xcb_get_input_focus(listener), nullptr));

        const bool posted = m_services.pasteInput->postPaste(platform::PasteShortcut::ControlV);
        QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
        QVERIFY(posted);
        xcb_key_press_event_t press{};
        do {
            const xcb_generic_event_t event = nextEvent(XCB_KEY_PRESS);
            press = reinterpret_cast<const xcb_key_press_event_t &>(event);
        } while (press.response_type != 0 && !(press.state & XCB_MOD_MASK_CONTROL));
        QCOMPARE(press.detail, xcb_keycode_t(55));
        xcb_disconnect(listener);
    }
};

QTEST_MAIN(TestX11Shortcuts)
#include "tst_x11shortcuts.moc"
