// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/fakeglobalshortcuts.h"
#include "fakes/fakepasteinput.h"
#include "hotkeycontroller.h"
#include "pasteactions.h"
#include "support/capturerig.h"
#include "support/stderrcapture.h"

#include <QTest>

using quillet::platform::PasteShortcut;
using quillet::shortcuts::HotKeyController;
using quillet::shortcuts::PasteActions;
using namespace quillet::tests;

class TestShortcuts : public QObject
{
    Q_OBJECT

    std::unique_ptr<CaptureRig> m_rig;
    FakePasteInput m_input;
    FakeSystemSound m_sound;
    std::unique_ptr<PasteActions> m_actions;
    QStringList m_ran;

    void copy(const QString &text)
    {
        m_rig->clock.advance(10);
        m_rig->clipboard.copyFromElsewhere(text);
    }

    bool registerAll(HotKeyController &controller)
    {
        return controller.registerControlOptionShortcuts([this] { m_ran << "show"; },
                                                         [this] { m_ran << "latest"; },
                                                         [this] { m_ran << "previous"; });
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<CaptureRig>();
        m_ran.clear();
        m_input = FakePasteInput();
        m_sound = FakeSystemSound();
        m_actions = std::make_unique<PasteActions>(m_rig->store, *m_rig->monitor, m_rig->front,
                                                   m_input, m_sound, m_rig->scheduler);
    }

    void beepsWhenThereIsNoSuchEntry()
    {
        m_actions->quickPasteHistoryItem(PasteActions::latestIndex);
        QCOMPARE(m_sound.beeps, 1);
        copy(QStringLiteral("only one"));
        m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
        QCOMPARE(m_sound.beeps, 2);
        QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("only one"));

        // An expired entry is dropped before the count is looked at.
        copy(QStringLiteral("newer"));
        m_rig->clock.advance(86400 - 5);
        m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
        QCOMPARE(m_sound.beeps, 3);
        m_rig->scheduler.advance(1000);
        QCOMPARE(m_input.pastes, 0);
    }

    void pastesWithoutTouchingTheEntry()
    {
        copy(QStringLiteral("older"));
        copy(QStringLiteral("latest"));
        const auto before = m_rig->store.items();
        m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
        QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("older"));
        m_rig->scheduler.advance(PasteActions::pasteDelayMs - 1);
        QCOMPARE(m_input.pastes, 0); // not before the delay
        m_rig->scheduler.advance(1);
        QCOMPARE(m_input.pastes, 1);
        QVERIFY(m_rig->store.items() == before);
        QCOMPARE(m_sound.beeps, 0);
        // A keyboard without a key for the paste shortcut: the beep says so.
        m_input.keyAvailable = false;
        m_actions->quickPasteHistoryItem(PasteActions::latestIndex);
        m_rig->scheduler.advance(PasteActions::pasteDelayMs);
        QCOMPARE(m_sound.beeps, 1);

        m_input.keyAvailable = true;
        QVERIFY(m_rig->clipboard.primary.isEmpty());
        // A terminal takes its own keys; an xterm pastes the primary selection.
        m_rig->front.shortcut = PasteShortcut::ControlShiftV;
        m_actions->quickPasteHistoryItem(PasteActions::latestIndex);
        m_rig->front.shortcut = PasteShortcut::ShiftInsert;
        m_rig->scheduler.advance(PasteActions::pasteDelayMs);
        QCOMPARE(m_input.lastShortcut, PasteShortcut::ControlShiftV);
        QVERIFY(m_rig->clipboard.primary.isEmpty());
        m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
        m_rig->scheduler.advance(PasteActions::pasteDelayMs);
        QCOMPARE(m_input.lastShortcut, PasteShortcut::ShiftInsert);
        QCOMPARE(m_rig->clipboard.primary, QStringLiteral("older"));
        QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("older"));
    }

    void withoutPermissionAsksBeepsAndLeavesTheText()
    {
        copy(QStringLiteral("latest"));
        m_rig->clipboard.notice(QStringLiteral("something else, not read yet"), 0);
        m_input.trusted = false;
        m_actions->quickPasteHistoryItem(PasteActions::latestIndex);
        QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("latest"));
        QCOMPARE(m_input.trustRequests, 1);
        QCOMPARE(m_sound.beeps, 1);
        m_rig->scheduler.advance(1000);
        QCOMPARE(m_input.pastes, 0);
    }

    // A shortcut that fails leaves the others working, and only theirs are
    // released at the end.
    void aFailedShortcutLeavesTheOthersWorking()
    {
        FakeGlobalShortcuts shortcuts;
        shortcuts.registerStatuses = {0, 10, 0};
        {
            HotKeyController controller(shortcuts, m_rig->scheduler);
            StderrCapture log;
            QVERIFY(!registerAll(controller));
            QCOMPARE(log.lines(), QStringList{"Quillet: failed to register Ctrl+Alt+1 hotkey: 10"});

            // Presses run their action later, never inside the handler.
            QCOMPARE(shortcuts.press(1), 0);
            QCOMPARE(shortcuts.press(3), 0);
            QVERIFY(m_ran.isEmpty());
            m_rig->scheduler.advance(0);
            QCOMPARE(m_ran, QStringList({"show", "previous"}));

            // Unknown ids and unreadable events are dropped, still reported handled.
            m_ran.clear();
            QCOMPARE(shortcuts.press(0), 0);
            QCOMPARE(shortcuts.press(4), 0);
            QCOMPARE(shortcuts.press(2, -9874), 0);
            QCOMPARE(shortcuts.handler(nullptr), 0);
            m_rig->scheduler.advance(0);
            QVERIFY(m_ran.isEmpty());
            QVERIFY(shortcuts.releases.isEmpty());
        }
        QCOMPARE(shortcuts.releases, QStringList({"101", "103", "handler 7"}));
    }

    // A desktop that answers later: a pending shortcut counts as working
    // until it fails; keys the user chose instead are passed on.
    void pendingShortcutsReportLater()
    {
        FakeGlobalShortcuts shortcuts;
        shortcuts.registerStatuses = {FakeGlobalShortcuts::pending, FakeGlobalShortcuts::pending,
                                      FakeGlobalShortcuts::pending};
        HotKeyController controller(shortcuts, m_rig->scheduler);
        int unavailable = 0;
        QStringList triggers;
        controller.whenLaterUnavailable([&] { ++unavailable; });
        controller.whenTriggerReported([&](int index, const QString &trigger) {
            triggers << QString::number(index) + trigger;
        });
        StderrCapture log;
        QVERIFY(registerAll(controller));
        shortcuts.outcome({HotKeyController::signature, 1}, 0, QString());
        shortcuts.outcome({HotKeyController::signature, 3}, 0, QStringLiteral("Super+2"));
        shortcuts.outcome({HotKeyController::signature, 2}, 1, QString());
        QCOMPARE(triggers, QStringList{"2Super+2"});
        QCOMPARE(unavailable, 1);
        QCOMPARE(log.lines(), QStringList{"Quillet: failed to register Ctrl+Alt+1 hotkey: 1"});
    }
};

QTEST_GUILESS_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
