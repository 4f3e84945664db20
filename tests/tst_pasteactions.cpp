// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "fakes/fakeclipboard.h"
#include "fakes/fakeclock.h"
#include "fakes/fakefrontmostapplication.h"
#include "fakes/fakepasteinput.h"
#include "fakes/fakescheduler.h"
#include "pasteactions.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using quillet::capture::ClipboardMonitor;
using quillet::history::ClipboardStore;
using quillet::shortcuts::PasteActions;
using namespace quillet::tests;

class TestPasteActions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeClock m_clock;
    FakeClipboard m_clipboard;
    FakeFrontmostApplication m_front;
    FakeScheduler m_scheduler;
    FakePasteInput m_input;
    FakeSystemSound m_sound;
    std::unique_ptr<ClipboardStore> m_store;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    std::unique_ptr<PasteActions> m_actions;

    void copy(const QString &text)
    {
        m_clipboard.copyFromElsewhere(text);
        m_clock.advance(10);
        m_monitor->poll();
    }

private Q_SLOTS:
    void init()
    {
        m_clipboard = FakeClipboard();
        m_scheduler = FakeScheduler();
        m_input = FakePasteInput();
        m_sound = FakeSystemSound();
        m_store = std::make_unique<ClipboardStore>(
            m_clock, m_dir.filePath(QStringLiteral("%1.json").arg(QTest::currentTestFunction())));
        m_monitor = std::make_unique<ClipboardMonitor>(*m_store, m_clipboard, m_front, m_scheduler);
        m_actions =
            std::make_unique<PasteActions>(*m_store, *m_monitor, m_input, m_sound, m_scheduler);
    }

    void beepsWhenThereIsNoSuchEntry()
    {
        m_clipboard.copyFromElsewhere(QStringLiteral("keep me"));
        m_actions->quickPasteHistoryItem(PasteActions::latestIndex);
        QCOMPARE(m_sound.beeps, 1);
        copy(QStringLiteral("only one"));
        m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
        QCOMPARE(m_sound.beeps, 2);
        QCOMPARE(m_clipboard.contents(), QStringLiteral("only one"));

        // An expired entry is dropped before the count is looked at.
        copy(QStringLiteral("newer"));
        m_clock.advance(86400 - 5);
        m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
        QCOMPARE(m_sound.beeps, 3);
        m_scheduler.advance(1000);
        QCOMPARE(m_input.pastes, 0);
    }

    void pastesWithoutTouchingTheEntry()
    {
        copy(QStringLiteral("older"));
        copy(QStringLiteral("latest"));
        const auto before = m_store->items();
        QSignalSpy storeChanges(m_store.get(), &ClipboardStore::objectWillChange);
        for (int round = 0; round < 2; ++round) {
            m_actions->quickPasteHistoryItem(PasteActions::previousIndex);
            QCOMPARE(m_clipboard.contents(), QStringLiteral("older"));
            m_scheduler.advance(PasteActions::pasteDelayMs - 1);
            QCOMPARE(m_input.pastes, round); // not before the delay
            m_scheduler.advance(1);
            QCOMPARE(m_input.pastes, round + 1);
            m_scheduler.advance(ClipboardMonitor::pollIntervalMs);
        }
        QVERIFY(m_store->items() == before);
        QCOMPARE(m_sound.beeps, 0);
        // Only the purges were announced: no capture, no mark.
        for (const auto &entry : m_store->items())
            QCOMPARE(entry.copyCount, 1);
        QVERIFY(storeChanges.count() <= 2);
    }

    void withoutPermissionAsksBeepsAndLeavesTheText()
    {
        copy(QStringLiteral("latest"));
        m_clipboard.copyFromElsewhere(QStringLiteral("something else"));
        m_input.trusted = false;
        m_actions->quickPasteHistoryItem(PasteActions::latestIndex);
        QCOMPARE(m_clipboard.contents(), QStringLiteral("latest"));
        QCOMPARE(m_input.trustRequests, 1);
        QCOMPARE(m_sound.beeps, 1);
        m_scheduler.advance(1000);
        QCOMPARE(m_input.pastes, 0);
    }
};

QTEST_GUILESS_MAIN(TestPasteActions)
#include "tst_pasteactions.moc"
