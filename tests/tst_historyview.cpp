// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyfilter.h"
#include "historyview.h"
#include "support/capturerig.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using quillet::history::ClipboardItem;
using quillet::ui::HistoryFilter;
using quillet::ui::HistoryListModel;
using quillet::ui::HistoryView;
using namespace quillet::tests;

class TestHistoryView : public QObject
{
    Q_OBJECT

    std::unique_ptr<CaptureRig> m_rig;
    std::unique_ptr<HistoryView> m_view;
    QList<ClipboardItem> m_copied;

    void add(const QString &text, std::optional<QString> app = std::nullopt)
    {
        m_rig->clock.advance(1);
        m_rig->store.capture(text, app);
    }
    QStringList shown() const
    {
        QStringList texts;
        for (const auto &item : m_view->model().items())
            texts << item.text;
        return texts;
    }
    QString idOf(const QString &text) const
    {
        for (const auto &item : m_rig->store.items()) {
            if (item.text == text)
                return item.id.toString(QUuid::WithoutBraces);
        }
        return {};
    }
    void settle() { m_rig->scheduler.advance(0); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QStringLiteral("en_US"))); }

    void init()
    {
        m_rig = std::make_unique<CaptureRig>();
        m_copied.clear();
        m_view = std::make_unique<HistoryView>(
            m_rig->store, [this](const ClipboardItem &item) { m_copied << item; }, m_rig->clock,
            m_rig->scheduler);
    }

    void filtersByTextThenSourceApp_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"KIRMIZI ışık", "Straße nach Köln", "notes/today",
                              "hello world",  "Release notes",    "no source here"};
        QTest::newRow("empty") << "" << all;
        QTest::newRow("blanks and line break around")
            << " \n notes\t" << QStringList{"notes/today", "Release notes"};
        QTest::newRow("inner space is searched") << "o w" << QStringList{"hello world"};
        QTest::newRow("capitals") << "HELLO" << QStringList{"hello world"};
        QTest::newRow("full case folding") << "STRASSE" << QStringList{"Straße nach Köln"};
        QTest::newRow("app name, in part") << "termin" << QStringList{"hello world"};
        QTest::newRow("accents matter") << "koln" << QStringList{};
        QTest::newRow("a literal substring, whatever the locale")
            << "KIRMIZI" << QStringList{"KIRMIZI ışık"};
    }
    void filtersByTextThenSourceApp()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        add(QStringLiteral("no source here"));
        add(QStringLiteral("Release notes"), QStringLiteral("Firefox"));
        add(QStringLiteral("hello world"), QStringLiteral("Terminal"));
        add(QStringLiteral("notes/today"), QStringLiteral("Text Editor"));
        add(QStringLiteral("Stra\u00DFe nach Ko\u0308ln"), QStringLiteral("Files"));
        add(QStringLiteral("KIRMIZI ışık"), QStringLiteral("Metin"));
        settle();
        m_view->setSearchText(query);
        QStringList normalizedShown;
        for (const QString &text : shown())
            normalizedShown << text.normalized(QString::NormalizationForm_C);
        QCOMPARE(normalizedShown, expected);
        QCOMPARE(m_view->listEmpty(), expected.isEmpty());
    }

    // Under Turkish folding "I" becomes dotless: a literal substring still
    // matches. The folded texts of entries that are gone are let go.
    void turkishSearchAndTheCacheOfFoldedTexts()
    {
        HistoryFilter filter(QStringLiteral("tr_TR"));
        const ClipboardItem red(QStringLiteral("KIRMIZI ışık"), QStringLiteral("Notes"), 1);
        const ClipboardItem other(QStringLiteral("other"), std::nullopt, 2);
        QCOMPARE(filter.apply({red, other}, QStringLiteral("KIRMIZI")).size(), 1);
        QCOMPARE(filter.apply({red, other}, QStringLiteral("kırmızı")).size(), 1);
        QVERIFY(filter.cachedCount() > 0);
        QCOMPARE(filter.apply({}, QStringLiteral("kırmızı")).size(), 0);
        QCOMPARE(filter.cachedCount(), 0);
    }

    void countsStayExactPastThirtyTwoBits()
    {
        HistoryListModel model(m_rig->clock);
        ClipboardItem item(QStringLiteral("often"), std::nullopt, 1);
        item.copyCount = 5'000'000'000;
        model.setItems({item});
        QCOMPARE(model.index(0, 0).data(HistoryListModel::CopyCountTextRole).toString(),
                 QStringLiteral("5000000000x"));
    }

    void followsTheStoreRowByRow()
    {
        QAbstractItemModelTester tester(m_view->itemsModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        add(QStringLiteral("one"));
        add(QStringLiteral("two"));
        settle();
        QSignalSpy resets(m_view->itemsModel(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(m_view->itemsModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy moves(m_view->itemsModel(), &QAbstractItemModel::rowsMoved);
        add(QStringLiteral("three"));
        QCOMPARE(shown(), QStringList({"two", "one"})); // redrawn soon, not inside the write
        settle();
        QCOMPARE(shown(), QStringList({"three", "two", "one"}));
        add(QStringLiteral("one"));
        settle();
        QCOMPARE(shown(), QStringList({"one", "three", "two"}));
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(moves.count(), 1);
        QCOMPARE(m_view->savedCountText(), QStringLiteral("3 saved"));

        // Each row says how long ago, as of its last drawing; under a
        // second is the past too.
        const QModelIndex first = m_view->itemsModel()->index(0, 0);
        QCOMPARE(first.data(HistoryListModel::RelativeTimeRole).toString(),
                 QStringLiteral("0 sec. ago"));
        m_rig->clock.advance(5 * 60 + 10);
        QCOMPARE(first.data(HistoryListModel::RelativeTimeRole).toString(),
                 QStringLiteral("5 min. ago"));
        QCOMPARE(first.data(HistoryListModel::CopyCountTextRole).toString(), QStringLiteral("2x"));
    }

    void copiedFeedbackLastsOneAndAHalfSecondsAtMost()
    {
        add(QStringLiteral("A"));
        add(QStringLiteral("B"));
        settle();
        const QString a = idOf(QStringLiteral("A"));
        const QString b = idOf(QStringLiteral("B"));

        m_view->copy(a);
        QCOMPARE(m_copied.size(), 1);
        QCOMPARE(m_copied.first().text, QStringLiteral("A"));
        QCOMPARE(m_view->copiedItemIdText(), a);
        m_rig->scheduler.advance(500);
        m_view->copy(b);
        QCOMPARE(m_view->copiedItemIdText(), b); // A loses it at once
        m_rig->scheduler.advance(700);           // A's reset finds B and leaves it
        QCOMPARE(m_view->copiedItemIdText(), b);
        m_rig->scheduler.advance(499);
        QCOMPARE(m_view->copiedItemIdText(), b);
        m_rig->scheduler.advance(1);
        QVERIFY(m_view->copiedItemID().isNull());
    }

    void theSwitchFollowsPauseFromTheMenu()
    {
        m_view->setPaused(true);
        QVERIFY(m_rig->store.isPaused());
        QSignalSpy changes(m_view.get(), &HistoryView::storeChanged);
        m_rig->store.setPaused(false); // from the tray menu: the switch follows
        settle();
        QVERIFY(!changes.isEmpty());
        QVERIFY(!m_view->isPaused());
    }
};

QTEST_GUILESS_MAIN(TestHistoryView)
#include "tst_historyview.moc"
