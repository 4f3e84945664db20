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

    void copy(const std::optional<QString> &text, std::uint64_t owner = 0)
    {
        m_rig->clock.advance(1);
        m_rig->clipboard.copyFromElsewhere(text, owner);
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<CaptureRig>(QStringLiteral("there before start"));
        m_rig->front.current = QStringLiteral("Text Editor");
    }

    void capturesEveryCopyInOrderWithItsSource()
    {
        QVERIFY(m_rig->store.items().isEmpty());
        copy(QStringLiteral("hello"));
        QCOMPARE(m_rig->texts(), QStringList{"hello"});
        QCOMPARE(m_rig->store.items().first().sourceApp, QStringLiteral("Text Editor"));

        // Changes noticed while an earlier one is still being read are all
        // captured, in order, each with the application in front when it was
        // noticed rather than when its text arrived.
        m_rig->front.current = QStringLiteral("Terminal");
        m_rig->clipboard.notice(QStringLiteral("one"), 0);
        m_rig->front.current = QStringLiteral("Browser");
        m_rig->clipboard.notice(QStringLiteral("two"), 0);
        m_rig->front.current = QStringLiteral("Mail");
        for (int read = 0; read < 2; ++read) {
            m_rig->clock.advance(1);
            m_rig->clipboard.readOldest();
        }
        QCOMPARE(m_rig->texts(), QStringList({"two", "one", "hello"}));
        QCOMPARE(m_rig->store.items().at(0).sourceApp, QStringLiteral("Browser"));
        QCOMPARE(m_rig->store.items().at(1).sourceApp, QStringLiteral("Terminal"));
    }

    // When the program that copied quits, the copy recorded last stays on
    // the clipboard as our own write; a keeper that takes it back is no new
    // copy. What was secret, unread or made while paused stays gone.
    void theLastCopyOutlivesItsOwner()
    {
        FakeClipboard &clipboard = m_rig->clipboard;
        copy(QStringLiteral("first"));
        copy(QStringLiteral("kept"));
        QCOMPARE(clipboard.keepableSerial, clipboard.lastSerial());
        clipboard.ownerQuits();
        QCOMPARE(clipboard.contents(), QStringLiteral("kept"));
        m_rig->clock.advance(0.1);
        clipboard.copyFromElsewhere(QStringLiteral("kept")); // another keeper
        QCOMPARE(m_rig->texts(), QStringList({"kept", "first"}));
        QCOMPARE(m_rig->store.items().first().copyCount, 1);
        m_rig->clock.advance(ClipboardMonitor::keeperSeconds);
        clipboard.copyFromElsewhere(QStringLiteral("first"));
        QCOMPARE(m_rig->texts(), QStringList({"first", "kept"}));

        clipboard.copySecret();
        QCOMPARE(clipboard.keepableSerial, 0u);
        clipboard.ownerQuits();
        QCOMPARE(clipboard.contents(), std::nullopt);
        copy(std::nullopt); // an image: taken over only when its owner hands it over
        QCOMPARE(clipboard.keepableSerial, clipboard.lastSerial());
        clipboard.ownerQuits();
        QCOMPARE(clipboard.contents(), std::nullopt);
        m_rig->store.setPaused(true);
        copy(QStringLiteral("while paused"));
        QCOMPARE(clipboard.keepableSerial, 0u);
        clipboard.ownerQuits();
        QCOMPARE(clipboard.contents(), std::nullopt);
        QCOMPARE(m_rig->texts(), QStringList({"first", "kept"}));

        // A copy noticed before the text could be put back wins.
        m_rig->store.setPaused(false);
        copy(QStringLiteral("kept again"));
        clipboard.notice(std::nullopt, 0, FakeClipboard::Kind::OwnerGone);
        clipboard.notice(QStringLiteral("newer"), 0);
        clipboard.readNoticed();
        QCOMPARE(clipboard.contents(), QStringLiteral("newer"));
    }

    void oneOwnerAssertingTheSameTextTwiceIsOneCopy()
    {
        copy(QStringLiteral("twice"), 7);
        m_rig->clipboard.copyFromElsewhere(QStringLiteral("twice"), 7);
        QCOMPARE(m_rig->store.items().first().copyCount, 1);

        m_rig->clipboard.copyFromElsewhere(QStringLiteral("other text"), 7);
        m_rig->clipboard.copyFromElsewhere(QStringLiteral("twice"), 8); // another owner
        QCOMPARE(m_rig->texts(), QStringList({"twice", "other text"}));
        QCOMPARE(m_rig->store.items().first().copyCount, 2);

        copy(QStringLiteral("twice"), 8); // the same owner, but a moment later
        QCOMPARE(m_rig->store.items().first().copyCount, 3);
    }

    void nonTextCopiesPurgeAndPausedCopiesAreNeverRecorded()
    {
        copy(QStringLiteral("old"));
        m_rig->clock.advance(86400 + 1);
        copy(std::nullopt); // an image, a file list
        QVERIFY(m_rig->store.items().isEmpty());
        QCOMPARE(m_rig->monitor->currentText(), std::nullopt);

        m_rig->store.setPaused(true);
        copy(QStringLiteral("while paused"));
        m_rig->store.setPaused(false);
        QVERIFY(m_rig->store.items().isEmpty());
        copy(QStringLiteral("after"));
        QCOMPARE(m_rig->texts(), QStringList{"after"});
    }

    void ownWritesAreNotCapturedAgain()
    {
        copy(QStringLiteral("one"));
        copy(QStringLiteral("two"));
        const auto one = m_rig->store.items().at(1);

        QSignalSpy storeChanges(&m_rig->store, &ClipboardStore::objectWillChange);
        m_rig->monitor->copyToClipboard(one, false);
        QCOMPARE(m_rig->clipboard.contents(), QStringLiteral("one"));
        QCOMPARE(m_rig->monitor->currentText(), QStringLiteral("one"));
        QCOMPARE(storeChanges.count(), 0); // not marked, not captured

        m_rig->clock.advance(1);
        m_rig->monitor->copyToClipboard(one);
        QCOMPARE(m_rig->texts(), QStringList({"one", "two"}));
        QCOMPARE(m_rig->store.items().first().copyCount, 2);

        copy(QStringLiteral("three")); // someone else right after
        QCOMPARE(m_rig->texts(), QStringList({"three", "one", "two"}));
    }

    void aReadStopsOnceTheKeptPartIsKnown_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("enough");
        const qsizetype limit = ClipboardStore::textLimit;
        QTest::newRow("short") << QString(100, u'x') << false;
        QTest::newRow("one more, still open") << QString(limit + 1, u'x') << false;
        QTest::newRow("two more") << QString(limit + 2, u'x') << true;
        QTest::newRow("leading spaces do not count")
            << QString(10, u' ') + QString(limit + 1, u'x') << false;
        QTest::newRow("only spaces after the cut")
            << QString(limit, u'x') + QString(50, u' ') << false;
        // One user-perceived character of many code units.
        QTest::newRow("combining marks")
            << QString(limit, u'x') + u'y' + QString(500, QChar(0x301)) << false;
    }
    void aReadStopsOnceTheKeptPartIsKnown()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, enough);
        QCOMPARE(m_rig->clipboard.watcher().enough(prefix), enough);
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
