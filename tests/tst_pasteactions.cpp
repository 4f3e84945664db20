// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/fakepasteinput.h"
#include "pasteactions.h"
#include "support/capturerig.h"

#include <QTest>

using quillet::platform::PasteShortcut;
using quillet::shortcuts::PasteActions;
using namespace quillet::tests;

class TestPasteActions : public QObject
{
    Q_OBJECT

    std::unique_ptr<CaptureRig> m_rig;
    FakePasteInput m_input;
    FakeSystemSound m_sound;
    std::unique_ptr<PasteActions> m_actions;

    void copy(const QString &text)
    {
        m_rig->clock.advance(10);
        m_rig->clipboard.copyFromElsewhere(text);
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<CaptureRig>();
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
        for (int round = 0; round < 2; ++round) {
            m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
            QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("older"));
            m_rig->scheduler.advance(PasteActions::pasteDelayMs - 1);
            QCOMPARE(m_input.pastes, round); // not before the delay
            m_rig->scheduler.advance(1);
            QCOMPARE(m_input.pastes, round + 1);
        }
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
};

QTEST_GUILESS_MAIN(TestPasteActions)
#include "tst_pasteactions.moc"
