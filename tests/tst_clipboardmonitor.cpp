// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "fakes/fakeclipboard.h"
#include "fakes/fakeclock.h"
#include "fakes/fakefrontmostapplication.h"
#include "fakes/fakescheduler.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using quillet::capture::ClipboardMonitor;
using quillet::history::ClipboardStore;
using namespace quillet::tests;

class TestClipboardMonitor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeClock m_clock;
    FakeClipboard m_clipboard;
    FakeFrontmostApplication m_front;
    FakeScheduler m_scheduler;
    std::unique_ptr<ClipboardStore> m_store;
    std::unique_ptr<ClipboardMonitor> m_monitor;

    void copyAndTick(const std::optional<QString> &text)
    {
        m_clipboard.copyFromElsewhere(text);
        m_clock.advance(1);
        m_scheduler.advance(ClipboardMonitor::pollIntervalMs);
    }
    QStringList texts() const
    {
        QStringList result;
        for (const auto &item : m_store->items())
            result << item.text;
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_clipboard = FakeClipboard();
        m_scheduler = FakeScheduler();
        m_front.current = QStringLiteral("Text Editor");
        m_clipboard.copyFromElsewhere(QStringLiteral("there before start"));
        m_store = std::make_unique<ClipboardStore>(
            m_clock, m_dir.filePath(QStringLiteral("%1.json").arg(QTest::currentTestFunction())));
        m_monitor = std::make_unique<ClipboardMonitor>(*m_store, m_clipboard, m_front, m_scheduler);
        m_monitor->start();
    }
    void cleanup()
    {
        m_monitor.reset();
        m_store.reset();
    }

    void capturesNewCopiesOnly()
    {
        m_scheduler.advance(5 * ClipboardMonitor::pollIntervalMs);
        QVERIFY(m_store->items().isEmpty());
        QCOMPARE(m_clipboard.textReads, 0); // polls without a change read nothing

        copyAndTick(QStringLiteral("hello"));
        QCOMPARE(texts(), QStringList{"hello"});
        QCOMPARE(m_store->items().first().sourceApp, QStringLiteral("Text Editor"));
        QCOMPARE(m_monitor->lastChangeCount(), m_clipboard.changeCount());

        m_front.current.reset(); // nothing in front: the known source stays
        copyAndTick(QStringLiteral("hello"));
        QCOMPARE(m_store->items().size(), 1);
        QCOMPARE(m_store->items().first().copyCount, 2);
        QCOMPARE(m_store->items().first().sourceApp, QStringLiteral("Text Editor"));

        // Two copies between polls: only the one present at the tick counts.
        m_clipboard.copyFromElsewhere(QStringLiteral("lost"));
        copyAndTick(QStringLiteral("kept"));
        QCOMPARE(texts(), QStringList({"kept", "hello"}));
        QCOMPARE(m_clipboard.textReads, 3);
    }

    void nonTextCopiesStillCountAsChangesAndPurge()
    {
        copyAndTick(QStringLiteral("old"));
        m_clock.advance(86400 + 1);
        const auto countBefore = m_monitor->lastChangeCount();
        copyAndTick(std::nullopt); // an image, a file list
        QVERIFY(m_store->items().isEmpty());
        QVERIFY(m_monitor->lastChangeCount() != countBefore);
    }

    void pausedCopiesAreNeverRecorded()
    {
        m_store->setPaused(true);
        copyAndTick(QStringLiteral("password"));
        m_store->setPaused(false);
        m_scheduler.advance(3 * ClipboardMonitor::pollIntervalMs);
        QVERIFY(m_store->items().isEmpty());
        copyAndTick(QStringLiteral("after"));
        QCOMPARE(texts(), QStringList{"after"});
    }

    void ownWritesAreNotCapturedAgain()
    {
        copyAndTick(QStringLiteral("one"));
        copyAndTick(QStringLiteral("two"));
        const auto one = m_store->items().at(1);

        QSignalSpy storeChanges(m_store.get(), &ClipboardStore::objectWillChange);
        m_monitor->copyToClipboard(one, false);
        QCOMPARE(m_clipboard.contents(), QStringLiteral("one"));
        m_scheduler.advance(3 * ClipboardMonitor::pollIntervalMs);
        QCOMPARE(storeChanges.count(), 0); // not marked, not captured
        QCOMPARE(texts(), QStringList({"two", "one"}));

        m_clock.advance(1);
        m_monitor->copyToClipboard(one);
        m_scheduler.advance(ClipboardMonitor::pollIntervalMs);
        QCOMPARE(texts(), QStringList({"one", "two"}));
        QCOMPARE(m_store->items().first().copyCount, 2);

        copyAndTick(QStringLiteral("three")); // someone else right after
        QCOMPARE(texts(), QStringList({"three", "one", "two"}));
    }

    void pollsOnOneTimerThatDiesWithTheMonitor()
    {
        QCOMPARE(m_scheduler.liveTimers(), 1);
        QCOMPARE(m_scheduler.lastTimer()->intervalMs, 700);
        QCOMPARE(m_scheduler.lastTimer()->toleranceMs, 250);
        m_monitor->start();
        QCOMPARE(m_scheduler.liveTimers(), 1);
        m_monitor.reset();
        QCOMPARE(m_scheduler.liveTimers(), 0);
        copyAndTick(QStringLiteral("nobody listens"));
        QVERIFY(m_store->items().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
