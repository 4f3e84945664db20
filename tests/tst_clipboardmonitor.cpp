// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/capturerig.h"

#include <QSignalSpy>
#include <QTest>

using quillet::capture::ClipboardMonitor;
using quillet::history::ClipboardStore;
using namespace quillet::tests;

class TestClipboardMonitor : public QObject
{
    Q_OBJECT

    std::unique_ptr<CaptureRig> m_rig;

    void copyAndTick(const std::optional<QString> &text)
    {
        m_rig->clipboard.copyFromElsewhere(text);
        m_rig->clock.advance(1);
        m_rig->scheduler.advance(ClipboardMonitor::pollIntervalMs);
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<CaptureRig>(QStringLiteral("there before start"));
        m_rig->front.current = QStringLiteral("Text Editor");
        m_rig->monitor->start();
    }

    void capturesNewCopiesOnly()
    {
        m_rig->scheduler.advance(5 * ClipboardMonitor::pollIntervalMs);
        QVERIFY(m_rig->store.items().isEmpty());
        QCOMPARE(m_rig->clipboard.textReads, 0); // polls without a change read nothing

        copyAndTick(QStringLiteral("hello"));
        QCOMPARE(m_rig->texts(), QStringList{"hello"});
        QCOMPARE(m_rig->store.items().first().sourceApp, QStringLiteral("Text Editor"));
        QCOMPARE(m_rig->monitor->lastChangeCount(), m_rig->clipboard.changeCount());

        m_rig->front.current.reset(); // nothing in front: the known source stays
        copyAndTick(QStringLiteral("hello"));
        QCOMPARE(m_rig->store.items().size(), 1);
        QCOMPARE(m_rig->store.items().first().copyCount, 2);
        QCOMPARE(m_rig->store.items().first().sourceApp, QStringLiteral("Text Editor"));

        // Two copies between polls: only the one present at the tick counts.
        m_rig->clipboard.copyFromElsewhere(QStringLiteral("lost"));
        copyAndTick(QStringLiteral("kept"));
        QCOMPARE(m_rig->texts(), QStringList({"kept", "hello"}));
        QCOMPARE(m_rig->clipboard.textReads, 3);
    }

    void nonTextCopiesStillCountAsChangesAndPurge()
    {
        copyAndTick(QStringLiteral("old"));
        m_rig->clock.advance(86400 + 1);
        const auto countBefore = m_rig->monitor->lastChangeCount();
        copyAndTick(std::nullopt); // an image, a file list
        QVERIFY(m_rig->store.items().isEmpty());
        QVERIFY(m_rig->monitor->lastChangeCount() != countBefore);
    }

    void pausedCopiesAreNeverRecorded()
    {
        m_rig->store.setPaused(true);
        copyAndTick(QStringLiteral("password"));
        m_rig->store.setPaused(false);
        m_rig->scheduler.advance(3 * ClipboardMonitor::pollIntervalMs);
        QVERIFY(m_rig->store.items().isEmpty());
        copyAndTick(QStringLiteral("after"));
        QCOMPARE(m_rig->texts(), QStringList{"after"});
    }

    void ownWritesAreNotCapturedAgain()
    {
        copyAndTick(QStringLiteral("one"));
        copyAndTick(QStringLiteral("two"));
        const auto one = m_rig->store.items().at(1);

        QSignalSpy storeChanges(&m_rig->store, &ClipboardStore::objectWillChange);
        m_rig->monitor->copyToClipboard(one, false);
        QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("one"));
        m_rig->scheduler.advance(3 * ClipboardMonitor::pollIntervalMs);
        QCOMPARE(storeChanges.count(), 0); // not marked, not captured
        QCOMPARE(m_rig->texts(), QStringList({"two", "one"}));

        m_rig->clock.advance(1);
        m_rig->monitor->copyToClipboard(one);
        m_rig->scheduler.advance(ClipboardMonitor::pollIntervalMs);
        QCOMPARE(m_rig->texts(), QStringList({"one", "two"}));
        QCOMPARE(m_rig->store.items().first().copyCount, 2);

        copyAndTick(QStringLiteral("three")); // someone else right after
        QCOMPARE(m_rig->texts(), QStringList({"three", "one", "two"}));
    }

    void pollsOnOneTimerThatDiesWithTheMonitor()
    {
        QCOMPARE(m_rig->scheduler.liveTimers(), 1);
        QCOMPARE(m_rig->scheduler.lastTimer()->intervalMs, 700);
        QCOMPARE(m_rig->scheduler.lastTimer()->toleranceMs, 250);
        m_rig->monitor->start();
        QCOMPARE(m_rig->scheduler.liveTimers(), 1);
        m_rig->monitor.reset();
        QCOMPARE(m_rig->scheduler.liveTimers(), 0);
        copyAndTick(QStringLiteral("nobody listens"));
        QVERIFY(m_rig->store.items().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
