// SPDX-License-Identifier: GPL-3.0-or-later
#include "unicodetext.h"

#include <QTest>

using quillet::history::UnicodeText;

class TestUnicodeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trimsExactlyTheWhiteSpaceSet_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces and line break") << QStringLiteral("  hello \n") << "hello";
        QTest::newRow("tab, VT, FF, CR") << QStringLiteral("\t\v\f\rx\t") << "x";
        QTest::newRow("NEL U+0085") << QStringLiteral("\u0085x\u0085") << "x";
        QTest::newRow("no-break space Zs") << QStringLiteral("\u00A0x\u3000") << "x";
        QTest::newRow("line and paragraph separators") << QStringLiteral("\u2028x\u2029") << "x";
        QTest::newRow("zero-width space is not white space")
            << QStringLiteral("\u200Bx\u200B") << QStringLiteral("\u200Bx\u200B");
        QTest::newRow("byte order mark is not white space")
            << QStringLiteral("\uFEFFx") << QStringLiteral("\uFEFFx");
        QTest::newRow("U+001C..U+001F are kept")
            << QStringLiteral("\u001Cx\u001F") << QStringLiteral("\u001Cx\u001F");
        QTest::newRow("only blanks") << QStringLiteral(" \t\n\u2029 ") << QString();
    }
    void trimsExactlyTheWhiteSpaceSet()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(UnicodeText::trimmed(input), expected);
    }

    void cutsAtGraphemeClusters_data()
    {
        QTest::addColumn<QString>("cluster");
        QTest::newRow("ascii") << QStringLiteral("a");
        QTest::newRow("combining marks") << QStringLiteral("e\u0301\u0323");
        QTest::newRow("flag") << QStringLiteral("\U0001F1EB\U0001F1F7");
        QTest::newRow("family ZWJ sequence")
            << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466");
        QTest::newRow("CR LF") << QStringLiteral("\r\n");
    }
    void cutsAtGraphemeClusters()
    {
        QFETCH(QString, cluster);
        const QString five = cluster.repeated(5);
        const qsizetype noUnitLimit = five.size();
        QCOMPARE(UnicodeText::truncatedToGraphemes(five, 3, noUnitLimit), cluster.repeated(3));
        QCOMPARE(UnicodeText::truncatedToGraphemes(five, 5, noUnitLimit), five);
        QCOMPARE(UnicodeText::truncatedToGraphemes(five, 6, noUnitLimit), five);
        // The bound in units cuts at the last whole cluster inside it.
        QCOMPARE(UnicodeText::truncatedToGraphemes(five, 6, cluster.size() * 3 - 1),
                 cluster.repeated(2));
    }

    // One letter under a thousand accents is one cluster: the bound in units
    // cuts inside it rather than keep it all.
    void boundsAClusterLongerThanTheUnitLimit()
    {
        const QString zalgo = QStringLiteral("Z") + QString(1000, QChar(0x0301));
        QCOMPARE(UnicodeText::truncatedToGraphemes(zalgo, 10, 100), zalgo.left(100));
        QCOMPARE(UnicodeText::truncatedToGraphemes(QStringLiteral("ab") + zalgo, 10, 100),
                 QStringLiteral("ab"));
    }

    void comparesByCanonicalEquivalence()
    {
        const QString precomposed = QStringLiteral("caf\u00E9");
        const QString combining = QStringLiteral("cafe\u0301");
        QVERIFY(UnicodeText::canonicallyEqual(precomposed, combining));
        QVERIFY(!UnicodeText::canonicallyEqual(QStringLiteral("Hello"), QStringLiteral("hello")));
        // Marks in a different order but of different combining classes are equal.
        QVERIFY(UnicodeText::canonicallyEqual(QStringLiteral("a\u0301\u0323"),
                                              QStringLiteral("a\u0323\u0301")));
        // Compatibility forms are not canonical equivalents.
        QVERIFY(!UnicodeText::canonicallyEqual(QStringLiteral("\uFB01"), QStringLiteral("fi")));
        QVERIFY(!UnicodeText::canonicallyEqual(QStringLiteral("\u00E9x"), QStringLiteral("e")));
    }
};

QTEST_GUILESS_MAIN(TestUnicodeText)
#include "tst_unicodetext.moc"
