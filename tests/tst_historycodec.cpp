// SPDX-License-Identifier: GPL-3.0-or-later
#include "historycodec.h"

#include <QTest>

using quillet::history::ClipboardItem;
using quillet::history::HistoryCodec;

namespace {

const QByteArray goldenSample = R"([
  {
    "copyCount" : 2,
    "firstCopiedAt" : 818068500.25,
    "id" : "0F5A3C1E-8B2D-4E6F-9A7B-1C2D3E4F5A6B",
    "lastCopiedAt" : 818133150.5,
    "sourceApp" : "Editor",
    "text" : "notes\/today"
  }
])";

QByteArray entryWith(const QByteArray &members)
{
    return "[{" + members + "}]";
}

const QByteArray validMembers = R"("id":"0F5A3C1E-8B2D-4E6F-9A7B-1C2D3E4F5A6B","text":"t",)"
                                R"("firstCopiedAt":1,"lastCopiedAt":2,"copyCount":1)";

} // namespace

class TestHistoryCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesTheFileFormatToTheByte()
    {
        ClipboardItem item;
        item.id = QUuid(QStringLiteral("0f5a3c1e-8b2d-4e6f-9a7b-1c2d3e4f5a6b"));
        item.text = QStringLiteral("notes/today");
        item.firstCopiedAt = 818068500.25;
        item.lastCopiedAt = 818133150.5;
        item.sourceApp = QStringLiteral("Editor");
        item.copyCount = 2;
        QCOMPARE(HistoryCodec::encode({item}).value(), goldenSample);
        QCOMPARE(HistoryCodec::encode({}).value(), QByteArray("[\n\n]"));
        // The same bytes when texts come from a writer's cache, also after
        // an entry changed its count or the cached text was another.
        HistoryCodec::TextCache cache;
        QCOMPARE(HistoryCodec::encode({item}, &cache).value(), goldenSample);
        QCOMPARE(HistoryCodec::encode({item}, &cache).value(), goldenSample);
        ClipboardItem changed = item;
        changed.copyCount = 3;
        changed.text = QStringLiteral("notes/tomorrow");
        QCOMPARE(HistoryCodec::encode({changed}, &cache).value(), HistoryCodec::encode({changed}));
        ClipboardItem unwritable = item; // JSON has no NaN
        unwritable.lastCopiedAt = std::numeric_limits<double>::quiet_NaN();
        QVERIFY(!HistoryCodec::encode({unwritable}));

        const auto read = HistoryCodec::decode(goldenSample);
        QVERIFY(read);
        QCOMPARE(read->size(), 1);
        QVERIFY(read->first() == item);
    }

    void roundTripsEveryValueExactly_data()
    {
        QTest::addColumn<double>("stamp");
        QTest::addColumn<QString>("text");
        QTest::newRow("reference instant") << 0.0 << QStringLiteral("zero");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("sign");
        QTest::newRow("sub-second") << 818068500.123456789 << QStringLiteral("a\"b\\c/d");
        QTest::newRow("before 2001") << -31622400.5 << QStringLiteral("caf\u00E9 \U0001F600");
        QTest::newRow("huge") << 1.7976931348623157e308 << QStringLiteral("\u0000 nul");
    }
    void roundTripsEveryValueExactly()
    {
        QFETCH(double, stamp);
        QFETCH(QString, text);
        ClipboardItem item(text, std::nullopt, stamp);
        item.lastCopiedAt = std::nextafter(stamp, 1e300);
        item.copyCount = std::numeric_limits<std::int64_t>::max();
        const QByteArray bytes = HistoryCodec::encode({item}).value();
        QVERIFY(!bytes.contains("sourceApp"));
        const auto read = HistoryCodec::decode(bytes);
        QVERIFY(read);
        QCOMPARE(std::signbit(read->first().firstCopiedAt), std::signbit(stamp));
        QCOMPARE(HistoryCodec::encode(*read).value(), bytes);
        QVERIFY(read->first() == item);
    }

    void readsLeniencyThatTheFormatAllows()
    {
        // Any white space, member order, escapes; lower-case ids; null or
        // missing source; unknown members (even nested ones) ignored.
        const QByteArray file = "\n\t[ {\"note\" : {\"x\":[1,{\"y\":null}]}, \"copyCount\":3,"
                                "\"text\":\"a\\u002Fb\\ud83d\\ude00\",\"sourceApp\":null,"
                                "\"lastCopiedAt\":5e2,\"firstCopiedAt\":10,"
                                "\"id\":\"0f5a3c1e-8b2d-4e6f-9a7b-1c2d3e4f5a6b\",\"extra\":true},"
                                "{" +
                                validMembers + "} ]  \n";
        const auto read = HistoryCodec::decode(file);
        QVERIFY(read);
        QCOMPARE(read->size(), 2);
        const ClipboardItem &first = read->first();
        QCOMPARE(first.text, QStringLiteral("a/b\U0001F600"));
        QVERIFY(!first.sourceApp);
        QCOMPARE(first.lastCopiedAt, 500.0);
        QCOMPARE(first.copyCount, 3);
        const QByteArray written = HistoryCodec::encode(*read).value();
        QVERIFY(written.contains("\"id\" : \"0F5A3C1E-8B2D-4E6F-9A7B-1C2D3E4F5A6B\""));
        QVERIFY(!written.contains("note"));
        QVERIFY(!written.contains("extra"));
        QVERIFY(!written.contains("sourceApp"));
    }

    void rejectsEveryMalformedFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << goldenSample.left(goldenSample.size() / 2);
        QTest::newRow("object instead of array") << ("{" + validMembers + "}");
        QTest::newRow("garbage after") << (entryWith(validMembers) + " x");
        QTest::newRow("missing copyCount")
            << entryWith(R"("id":"0F5A3C1E-8B2D-4E6F-9A7B-1C2D3E4F5A6B","text":"t",)"
                         R"("firstCopiedAt":1,"lastCopiedAt":2)");
        QTest::newRow("text is a number") << entryWith(validMembers + R"(,"text":5)");
        QTest::newRow("time is a string") << entryWith(validMembers + R"(,"lastCopiedAt":"2")");
        QTest::newRow("fractional count") << entryWith(validMembers + R"(,"copyCount":1.5)");
        QTest::newRow("count past int64")
            << entryWith(validMembers + R"(,"copyCount":9223372036854775808)");
        QTest::newRow("huge number") << entryWith(validMembers + R"(,"firstCopiedAt":1e400)");
        QTest::newRow("bad UUID") << entryWith(validMembers + R"(,"id":"not-a-uuid")");
        QTest::newRow("invalid UTF-8") << entryWith(validMembers + ",\"text\":\"a\xFF\"");
        QTest::newRow("raw NUL in a string")
            << entryWith(validMembers + QByteArray(",\"text\":\"a\0b\"", 12));
        QTest::newRow("lone surrogate escape") << entryWith(validMembers + R"(,"text":"\ud800")");
        QTest::newRow("deep nesting")
            << entryWith(validMembers + R"(,"x":)" + QByteArray(100000, '['));
        QTest::newRow("one bad entry among good ones")
            << ("[{" + validMembers + "},{" + validMembers + R"(,"id":5}])");
    }
    void rejectsEveryMalformedFile()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!HistoryCodec::decode(bytes));
    }
};

QTEST_GUILESS_MAIN(TestHistoryCodec)
#include "tst_historycodec.moc"
