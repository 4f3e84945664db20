// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardstore.h"
#include "fakes/fakeclock.h"
#include "historycodec.h"
#include "support/files.h"

#include <QTemporaryDir>
#include <QTest>

using quillet::history::ClipboardItem;
using quillet::history::ClipboardStore;
using quillet::history::HistoryCodec;
using quillet::tests::FakeClock;
using quillet::tests::readFile;
using quillet::tests::writeFile;

namespace {

constexpr double day = 86400.0;

// The entries on disk once the store's saves so far are done.
QList<ClipboardItem> itemsInFile(ClipboardStore &store)
{
    store.waitUntilSaved();
    return HistoryCodec::decode(readFile(store.filePath())).value_or(QList<ClipboardItem>{});
}

ClipboardItem entry(const char *text, double first, double last)
{
    ClipboardItem item(QString::fromUtf8(text), std::nullopt, first);
    item.lastCopiedAt = last;
    return item;
}

} // namespace

class TestClipboardStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    FakeClock m_clock;

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(
            QStringLiteral("%1/Quillet/history.json").arg(QTest::currentTestFunction()));
        m_clock.set(800000000.0);
    }

    void capturesTrimsAndMerges()
    {
        ClipboardStore store(m_clock, m_path);
        store.capture(QStringLiteral("  hello \n"), QStringLiteral("Terminal"));
        QCOMPARE(store.items().size(), 1);
        const ClipboardItem first = store.items().first();
        QCOMPARE(first.text, QStringLiteral("hello"));
        QCOMPARE(first.copyCount, 1);
        QCOMPARE(first.sourceApp, QStringLiteral("Terminal"));
        QCOMPARE(first.firstCopiedAt, first.lastCopiedAt);
        store.capture(QStringLiteral(" \t\n\u2029\u00A0"), QStringLiteral("App")); // blank
        QCOMPARE(store.items().size(), 1);

        m_clock.advance(5);
        store.capture(QStringLiteral("other"), std::nullopt);
        m_clock.advance(5);
        store.capture(QStringLiteral("hello"), QStringLiteral("Editor"));
        QCOMPARE(store.items().size(), 2);
        const ClipboardItem merged = store.items().first();
        QCOMPARE(merged.id, first.id);
        QCOMPARE(merged.firstCopiedAt, first.firstCopiedAt);
        QCOMPARE(merged.lastCopiedAt, m_clock.now());
        QCOMPARE(merged.copyCount, 2);
        QCOMPARE(merged.sourceApp, QStringLiteral("Editor"));

        // An unknown source keeps the known one; an empty one replaces it.
        store.capture(QStringLiteral("hello"), std::nullopt);
        QCOMPARE(store.items().first().sourceApp, QStringLiteral("Editor"));
        store.capture(QStringLiteral("hello"), QString());
        QCOMPARE(store.items().first().sourceApp, QString());
        QVERIFY(itemsInFile(store).first() == store.items().first());

        // A lone surrogate would make the file unreadable.
        QString broken = QStringLiteral("a?b");
        broken[1] = QChar(0xD800);
        store.capture(broken, std::nullopt);
        QCOMPARE(itemsInFile(store).first().text, QStringLiteral("a\uFFFDb"));
    }

    void cutsLongTextsToTheGraphemeLimit()
    {
        ClipboardStore store(m_clock, m_path);
        const QString flag = QStringLiteral("\U0001F1EB\U0001F1F7");
        const QString exact = flag.repeated(ClipboardStore::textLimit);
        store.capture(exact, std::nullopt);
        QCOMPARE(store.items().first().text, exact);
        m_clock.advance(1);

        const QString longer =
            QStringLiteral("x").repeated(ClipboardStore::textLimit) + QStringLiteral("yz");
        store.capture(longer, std::nullopt);
        QCOMPARE(store.items().first().text.size(), ClipboardStore::textLimit);
        store.capture(longer, std::nullopt);
        QCOMPARE(store.items().size(), 2);
        QCOMPARE(store.items().first().copyCount, 2);

        // The cut comes after trimming and is not trimmed again.
        m_clock.advance(1);
        const QString spaced =
            QStringLiteral(" ") + QStringLiteral("a").repeated(99999) + QStringLiteral("  b");
        store.capture(spaced, std::nullopt);
        QCOMPARE(store.items().first().text, QStringLiteral("a").repeated(99999) + u' ');
    }

    void marksDeletesAndClears()
    {
        ClipboardStore store(m_clock, m_path);
        store.capture(QStringLiteral("one"), QStringLiteral("A"));
        m_clock.advance(1);
        store.capture(QStringLiteral("two"), std::nullopt);
        const ClipboardItem one = store.items().at(1);

        m_clock.advance(1);
        store.markCopied(one);
        QCOMPARE(store.items().first().id, one.id);
        QCOMPARE(store.items().first().copyCount, 2);
        QCOMPARE(store.items().first().lastCopiedAt, m_clock.now());
        QCOMPARE(store.items().first().sourceApp, QStringLiteral("A"));
        QCOMPARE(itemsInFile(store).first().id, one.id);

        store.remove(one);
        QCOMPARE(store.items().size(), 1);
        store.markCopied(one); // deleted meanwhile: nothing happens
        QCOMPARE(store.items().size(), 1);

        store.clear();
        QVERIFY(store.items().isEmpty());
        QCOMPARE(itemsInFile(store).size(), 0);
        QVERIFY(HistoryCodec::decode(readFile(m_path)));
    }

    void expiresAfterExactlyOneDay()
    {
        ClipboardStore store(m_clock, m_path);
        store.capture(QStringLiteral("old"), std::nullopt);
        m_clock.advance(0.001);
        store.capture(QStringLiteral("newer"), std::nullopt);
        m_clock.advance(day - 0.001);
        store.purgeExpired();
        QCOMPARE(store.items().size(), 2); // exactly 24 hours old: kept
        m_clock.advance(0.001);
        store.purgeExpired(false);
        QCOMPARE(store.items().size(), 1);
        QCOMPARE(itemsInFile(store).size(), 2); // not saved without the flag
        QCOMPARE(store.items().first().text, QStringLiteral("newer"));
    }

    void loadsSortedAndRewritesOnlyWhenSomethingExpired()
    {
        const double now = m_clock.now();
        ClipboardItem a = entry("a", now - 50, now - 10);
        ClipboardItem b = entry("b", now - 40, now - 5);
        ClipboardItem c = entry("c", now - 30, now - 10); // same last as a, later first
        ClipboardItem d = entry("d", now - 30, now - 10); // equal to c in both: file order
        const QByteArray fresh = HistoryCodec::encode({a, b, c, d}).value();
        QVERIFY(writeFile(m_path, fresh));
        {
            ClipboardStore store(m_clock, m_path);
            QStringList order;
            for (const ClipboardItem &item : store.items())
                order << item.text;
            QCOMPARE(order, QStringList({"b", "c", "d", "a"}));
            QCOMPARE(readFile(m_path), fresh); // nothing expired: untouched
        }
        // A count at its maximum stays there.
        constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
        a.copyCount = most - 1;
        ClipboardItem expired = entry("gone", now - 2 * day, now - day - 1);
        writeFile(m_path, HistoryCodec::encode({a, expired}).value());
        ClipboardStore store(m_clock, m_path);
        QCOMPARE(itemsInFile(store).size(), 1);
        store.capture(QStringLiteral("a"), std::nullopt);
        store.markCopied(store.items().first());
        QCOMPARE(store.items().size(), 1);
        QCOMPARE(itemsInFile(store).first().copyCount, most);
    }
};

QTEST_GUILESS_MAIN(TestClipboardStore)
#include "tst_clipboardstore.moc"
