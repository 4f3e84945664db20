// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop services against a real X server: the clipboard monitor, with
// other programs copying as a user would and owners of our own that
// misbehave; and the keys that XTest posts for a paste.
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "support/capturerig.h"
#include "support/sanitizers.h"
#include "support/stderrcapture.h"
#include "support/waituntil.h"
#include "systemclock.h"
#include "x11/x11keyboard.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/resource.h>
#include <xcb/xcb.h>

using namespace quillet;

namespace {

// Puts `bytes` on the CLIPBOARD selection the way a user's `xclip` would.
// xclip keeps serving the selection in the background until it loses it.
void xclipCopy(const QByteArray &bytes, const QString &target = QString())
{
    QProcess xclip;
    QStringList arguments{QStringLiteral("-selection"), QStringLiteral("clipboard"),
                          QStringLiteral("-i")};
    if (!target.isEmpty())
        arguments << QStringLiteral("-t") << target;
    xclip.start(QStringLiteral("xclip"), arguments);
    QVERIFY(xclip.waitForStarted());
    xclip.write(bytes);
    xclip.closeWriteChannel();
    QVERIFY(xclip.waitForFinished(-1));
}

// The next press of a key other than a modifier that `connection` receives;
// a zeroed one when none comes.
xcb_key_press_event_t nextShortcut(xcb_connection_t *connection)
{
    const auto modifiers = platform::X11Keyboard::modifierKeycodes(connection);
    for (const QDeadlineTimer deadline(30000); !deadline.hasExpired();) {
        xcb_generic_event_t *event = xcb_poll_for_event(connection);
        if (!event) {
            QTest::qWait(10);
            continue;
        }
        const auto press = *reinterpret_cast<xcb_key_press_event_t *>(event);
        std::free(event);
        if ((press.response_type & 0x7f) == XCB_KEY_PRESS &&
            std::find(modifiers.begin(), modifiers.end(), press.detail) == modifiers.end())
            return press;
    }
    return {};
}

// A window of our own that has the keyboard focus.
xcb_connection_t *focusedListener()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(connection, window);
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return connection;
}

long peakResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestX11Services : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::vector<std::unique_ptr<QProcess>> m_owners;
    platform::SystemClock m_clock;
    platform::DesktopServices m_services;
    std::unique_ptr<history::ClipboardStore> m_store;
    std::unique_ptr<capture::ClipboardMonitor> m_monitor;

    QStringList texts() const { return tests::textsOf(*m_store); }

    // Starts one of our own owners and waits until it owns the clipboard.
    QProcess *startOwner(const QStringList &arguments)
    {
        auto owner = std::make_unique<QProcess>();
        owner->start(QStringLiteral(QUILLET_CLIPBOARD_OWNER), arguments);
        if (!owner->waitForStarted())
            return nullptr;
        while (!owner->canReadLine() && owner->waitForReadyRead(30000)) {
        }
        if (owner->readLine() != "ready\n")
            return nullptr;
        m_owners.push_back(std::move(owner));
        return m_owners.back().get();
    }

    // Waits until `owner` has been asked for `target`: its change is being read.
    static bool askedFor(QProcess *owner, const QByteArray &target)
    {
        QByteArray requests;
        return owner && tests::waitUntil([&] {
                   requests += owner->readAllStandardOutput();
                   return requests.contains("request " + target + '\n');
               });
    }

    // A normal copy after a hostile one is recorded: the monitor has moved on.
    void expectNormalCopyRecorded(const QByteArray &text)
    {
        xclipCopy(text);
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), QString::fromUtf8(text), 30000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        m_services = platform::DesktopServices::create();
        m_store = std::make_unique<history::ClipboardStore>(m_clock);
        m_monitor = std::make_unique<capture::ClipboardMonitor>(
            *m_store, *m_services.clipboard, *m_services.frontmostApplication, m_clock);
        m_monitor->start();
    }

    void cleanupTestCase()
    {
        m_monitor.reset();
        for (auto &owner : m_owners) {
            owner->kill();
            owner->waitForFinished();
        }
    }

    void quickCopiesAreAllRecordedInOrder()
    {
        // Twenty owners, each replaced 50 ms after it took the clipboard;
        // each exits when it loses the clipboard, taking its text along.
        QStringList expected;
        for (int i = 0; i < 20; ++i) {
            const QString text = QStringLiteral("quick copy %1").arg(i);
            QVERIFY(startOwner({text}));
            expected.prepend(text);
            QTest::qWait(50);
        }
        QTRY_COMPARE_WITH_TIMEOUT(texts().mid(0, 20), expected, 30000);
    }

    // The password hint is read; the text never is.
    void secretsAreNeverRead()
    {
        const QStringList before = texts();
        tests::StderrCapture log;
        QProcess *secret = startOwner({QStringLiteral("hunter2"), QStringLiteral("--secret")});
        QVERIFY(secret);
        QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(QStringLiteral(
                                     "Quillet: skipped a copy that its owner marked as secret")),
                                 30000);
        expectNormalCopyRecorded("after the secret");
        QCOMPARE(texts().mid(1), before);
        // It exits once it has lost the clipboard.
        QTRY_COMPARE_WITH_TIMEOUT(secret->state(), QProcess::NotRunning, 30000);
        const QByteArray requests = secret->readAllStandardOutput();
        QVERIFY(requests.contains("request x-kde-passwordManagerHint"));
        QVERIFY(!requests.contains("request UTF8_STRING"));
    }

    void survivesHostileOwners()
    {
        // 300 MB offered in pieces: only what is kept is transferred.
        const long peakBefore = peakResidentKilobytes();
        QVERIFY(startOwner({QStringLiteral("--incr-bytes"), QString::number(300 << 20)}));
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0).size(), history::ClipboardStore::textLimit,
                                  30000);
        const long rise = (peakResidentKilobytes() - peakBefore) / 1024;
        qInfo("peak resident memory rose by %ld MB for a 300 MB copy", rise);
        QVERIFY(rise < 100);

        tests::StderrCapture log;
        QVERIFY(askedFor(startOwner({QStringLiteral("--incr-bytes"), QString::number(1 << 20),
                                     QStringLiteral("--die-after-chunks"), QStringLiteral("1")}),
                         "UTF8_STRING"));
        expectNormalCopyRecorded("after an owner died mid-transfer");
        QVERIFY(askedFor(startOwner({QStringLiteral("never answers"), QStringLiteral("--silent")}),
                         "TARGETS"));
        expectNormalCopyRecorded("after a silent owner");
        QVERIFY(askedFor(startOwner({QStringLiteral("answers late"), QStringLiteral("--delay-ms"),
                                     QStringLiteral("3000")}),
                         "TARGETS"));
        expectNormalCopyRecorded("after a late owner");
        const auto givenUp = [&] {
            return log.lines().filter(QStringLiteral("Quillet: gave up reading a copy")).size();
        };
        QCOMPARE(givenUp(), 3);

        // An owner that sends a byte at a time, on and on, holds back no
        // later copy, and is given up on once it is replaced.
        QVERIFY(askedFor(startOwner({QStringLiteral("dripping, one byte at a time, for a minute"),
                                     QStringLiteral("--drip-ms"), QStringLiteral("1500")}),
                         "UTF8_STRING"));
        const QStringList prompt = {QStringLiteral("prompt 1"), QStringLiteral("prompt 2"),
                                    QStringLiteral("prompt 3")};
        for (const QString &text : prompt)
            expectNormalCopyRecorded(text.toUtf8());
        QCOMPARE(texts().mid(0, 3), QStringList({prompt[2], prompt[1], prompt[0]}));
        QVERIFY(log.lines().contains(QStringLiteral(
            "Quillet: gave up reading a copy: a newer copy came before its owner had sent it")));

        xclipCopy("\xFF\xFE not UTF-8 \xC0\xAF", QStringLiteral("UTF8_STRING"));
        QTRY_VERIFY_WITH_TIMEOUT(texts().value(0).contains(QStringLiteral("not UTF-8")), 30000);
        xclipCopy(QByteArray("nul\0inside", 10));
        QTRY_VERIFY_WITH_TIMEOUT(texts().value(0).startsWith(QStringLiteral("nul")), 30000);
    }

    // Two windows taking the clipboard from each other as fast as they can:
    // what was replaced before it could be read is skipped, memory stays
    // bounded, and the first copy after the flood is recorded.
    void survivesAnOwnershipFlood()
    {
        tests::StderrCapture log;
        const long peakBefore = peakResidentKilobytes();
        QProcess *flood = startOwner({QStringLiteral("--flood-ms"), QStringLiteral("5000")});
        QVERIFY(flood);
        QVERIFY(flood->waitForFinished(60000));
        QElapsedTimer sinceFlood;
        sinceFlood.start();
        // Taken at the server's current time: xclip's own time stamp can be
        // older than the flood's last change, and the server then ignores it.
        QVERIFY(startOwner({QStringLiteral("after the flood")}));
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), QStringLiteral("after the flood"), 30000);
        qInfo("first copy after the flood recorded %lld ms after it ended", sinceFlood.elapsed());
        const long rise = (peakResidentKilobytes() - peakBefore) / 1024;
        qInfo("peak resident memory rose by %ld MB during a 5 s flood", rise);
        QVERIFY(rise < 32 || !tests::residentMemoryIsMeaningful);
        // A line or two for the flood, not one for each change.
        QVERIFY2(log.lines().size() <= 2, qPrintable(log.lines().join(u'\n')));
    }

    // Exactly the shortcut's modifiers; a layout without Latin letters
    // (Russian alone) gets Ctrl with the key where V sits, keycode 55.
    void postsEachPasteShortcutWithItsModifiersOnly()
    {
        using platform::PasteShortcut;
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
        xcb_connection_t *listener = focusedListener();
        for (const auto &expected : cases) {
            QProcess::execute(QStringLiteral("setxkbmap"), {QString::fromLatin1(expected.layout)});
            const bool posted = m_services.pasteInput->postPaste(expected.shortcut);
            QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
            QVERIFY(posted);
            const xcb_key_press_event_t press = nextShortcut(listener);
            QCOMPARE(press.state & 0xff, expected.modifiers);
            if (expected.shortcut != PasteShortcut::ShiftInsert)
                QCOMPARE(press.detail, xcb_keycode_t(55));
        }
        xcb_disconnect(listener);
    }
};

QTEST_MAIN(TestX11Services)
#include "tst_x11services.moc"
