// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/fakeglobalshortcuts.h"
#include "fakes/fakescheduler.h"
#include "hotkeycontroller.h"
#include "support/stderrcapture.h"

#include <QTest>

using quillet::shortcuts::HotKeyController;
using namespace quillet::tests;

class TestHotKeyController : public QObject
{
    Q_OBJECT

    QStringList m_ran;

    bool registerAll(HotKeyController &controller)
    {
        return controller.registerControlOptionShortcuts([this] { m_ran << "show"; },
                                                         [this] { m_ran << "latest"; },
                                                         [this] { m_ran << "previous"; });
    }

private Q_SLOTS:
    void init() { m_ran.clear(); }

    // A shortcut that fails leaves the others working, and only theirs are
    // released at the end.
    void aFailedShortcutLeavesTheOthersWorking()
    {
        FakeGlobalShortcuts shortcuts;
        shortcuts.registerStatuses = {0, 10, 0};
        FakeScheduler scheduler;
        {
            HotKeyController controller(shortcuts, scheduler);
            StderrCapture log;
            QVERIFY(!registerAll(controller));
            QCOMPARE(log.lines(), QStringList{"Quillet: failed to register Ctrl+Alt+1 hotkey: 10"});

            // Presses run their action later, never inside the handler.
            QCOMPARE(shortcuts.press(1), 0);
            QCOMPARE(shortcuts.press(3), 0);
            QVERIFY(m_ran.isEmpty());
            scheduler.advance(0);
            QCOMPARE(m_ran, QStringList({"show", "previous"}));

            // Unknown ids and unreadable events are dropped, still reported handled.
            m_ran.clear();
            QCOMPARE(shortcuts.press(0), 0);
            QCOMPARE(shortcuts.press(4), 0);
            QCOMPARE(shortcuts.press(2, -9874), 0);
            QCOMPARE(shortcuts.handler(nullptr), 0);
            scheduler.advance(0);
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
        FakeScheduler scheduler;
        HotKeyController controller(shortcuts, scheduler);
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

QTEST_GUILESS_MAIN(TestHotKeyController)
#include "tst_hotkeycontroller.moc"
