// SPDX-License-Identifier: GPL-3.0-or-later
// The history window as a user meets it: its QML loads cleanly, clicks and
// keys copy and delete, and the window hides instead of closing; and the
// view behind it: search, rows, counts and the copied feedback.
#include "historyfilter.h"
#include "historywindowcontroller.h"
#include "support/capturerig.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using quillet::history::ClipboardItem;
using quillet::history::ClipboardStore;
using quillet::ui::HistoryFilter;
using quillet::ui::HistoryListModel;
using quillet::ui::HistoryView;
using quillet::ui::HistoryWindowController;
using namespace quillet::tests;

namespace {

QStringList qmlWarnings;
QtMessageHandler previousHandler = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        qmlWarnings << message;
    previousHandler(type, context, message);
}

QQuickItem *child(QQuickItem *item, const char *name)
{
    return item->findChild<QQuickItem *>(QLatin1String(name));
}

// Centred, give or take the window manager's frame, which is not known
// before the window is first mapped.
bool centred(const QWindow *window)
{
    const QPoint offset =
        window->frameGeometry().center() - window->screen()->availableGeometry().center();
    return offset.manhattanLength() <= 40;
}

void collectRows(QQuickItem *item, QList<QQuickItem *> &found)
{
    for (QQuickItem *childItem : item->childItems()) {
        if (childItem->objectName() == QLatin1String("historyRow") && childItem->isVisible())
            found << childItem;
        collectRows(childItem, found);
    }
}

// The list's rows as drawn, top to bottom (rows are items of the list, not
// QObject children of the root).
QList<QQuickItem *> rows(QQuickItem *root)
{
    QList<QQuickItem *> visible;
    collectRows(root, visible);
    std::sort(visible.begin(), visible.end(),
              [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
    return visible;
}

void click(QQuickWindow *window, QQuickItem *item)
{
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<CaptureRig> m_rig;
    std::unique_ptr<HistoryView> m_view;
    std::unique_ptr<HistoryWindowController> m_controller;
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
    void settle() { m_rig->scheduler.advance(0); }

    // The window on screen with three entries, the newest first.
    bool showWindow()
    {
        for (const char *text : {"third", "second", "first"})
            add(QString::fromLatin1(text), QStringLiteral("Terminal"));
        m_controller = std::make_unique<HistoryWindowController>(
            m_rig->store, [this](const ClipboardItem &item) { m_copied << item; }, m_rig->clock,
            m_rig->scheduler);
        m_controller->show();
        return QTest::qWaitForWindowExposed(m_controller->window());
    }

    QQuickItem *root() const { return m_controller->window()->rootObject(); }
    int listCount() const { return child(root(), "historyList")->property("count").toInt(); }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        previousHandler = qInstallMessageHandler(recordWarnings);
    }

    void init()
    {
        qmlWarnings.clear();
        m_copied.clear();
        m_rig = std::make_unique<CaptureRig>();
        m_view = std::make_unique<HistoryView>(
            m_rig->store, [this](const ClipboardItem &item) { m_copied << item; }, m_rig->clock,
            m_rig->scheduler);
    }
    void cleanup()
    {
        m_controller.reset();
        QVERIFY2(qmlWarnings.isEmpty(), qPrintable(qmlWarnings.join(u'\n')));
    }

    // A click on a row's text or its copy button copies it. Typing goes to
    // the search field at once; arrows, Enter, Delete and Escape do the rest.
    void worksWithTheMouseAndTheKeyboard()
    {
        QVERIFY(showWindow());
        QQuickView *window = m_controller->window();
        QTRY_COMPARE_WITH_TIMEOUT(listCount(), 3, 30000);
        QQuickItem *first = rows(root()).first();
        QCOMPARE(first->property("text").toString(), QStringLiteral("first"));
        click(window, child(first, "copyButton"));
        click(window, child(first, "rowContent"));
        QCOMPARE(m_copied.size(), 2);
        QCOMPARE(m_copied.first().text, QStringLiteral("first"));
        m_copied.clear();

        QTRY_VERIFY_WITH_TIMEOUT(window->isActive(), 30000);
        const auto type = [&](Qt::Key key) { QTest::keyClick(window, key); };
        type(Qt::Key_I);
        type(Qt::Key_R);
        QCOMPARE(m_controller->view().searchText(), QStringLiteral("ir"));
        QTRY_COMPARE_WITH_TIMEOUT(listCount(), 2, 30000); // first, third

        type(Qt::Key_Down);
        type(Qt::Key_Down);
        type(Qt::Key_Return);
        QCOMPARE(m_copied.size(), 1);
        QCOMPARE(m_copied.last().text, QStringLiteral("third"));
        QTRY_VERIFY_WITH_TIMEOUT(rows(root()).last()->property("isCopied").toBool(), 30000);

        type(Qt::Key_Up);
        type(Qt::Key_Up);     // from the first row back to the search field
        type(Qt::Key_Return); // picks the first row
        QCOMPARE(m_copied.last().text, QStringLiteral("first"));

        type(Qt::Key_End);
        QCOMPARE(child(root(), "searchField")->property("cursorPosition").toInt(), 2);
        type(Qt::Key_Down);
        type(Qt::Key_End);
        type(Qt::Key_Delete);
        QCOMPARE(textsOf(m_rig->store), QStringList({"first", "second"}));

        type(Qt::Key_Escape);
        QCOMPARE(m_controller->view().searchText(), QString());
        QVERIFY(window->isVisible());
        type(Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }

    // "Zalgo" text: one letter under a million accents is one cluster. What
    // is kept is bounded, the window lays out only what a row shows, and the
    // accents stay inside their card.
    void aLetterUnderAMillionAccentsStaysInItsCard()
    {
        add(QStringLiteral("Z") + QString(1000000, QChar(0x0301)));
        QCOMPARE(m_rig->store.items().first().text.size(), ClipboardStore::textUnitLimit);
        QElapsedTimer sinceShow;
        sinceShow.start();
        QVERIFY(showWindow());
        qInfo("a window with that entry shown in %lld ms", sinceShow.elapsed());
        const QList<QQuickItem *> drawn = rows(root());
        QCOMPARE(drawn.size(), 4);
        QVERIFY(drawn.last()->clip());
        QCOMPARE(child(drawn.last(), "preview")->property("text").toString(),
                 QStringLiteral("Z\u0301\u0301\u0301"));
    }

    void hidesInsteadOfClosingAndComesBackCentred()
    {
        QVERIFY(showWindow());
        QQuickView *window = m_controller->window();
        const QRect screen = window->screen()->availableGeometry();
        QVERIFY(centred(window));

        m_controller->view().setSearchText(QStringLiteral("first"));
        window->setFramePosition(screen.topLeft());
        QTRY_COMPARE_WITH_TIMEOUT(window->framePosition(), screen.topLeft(), 30000);
        m_controller->show(); // already visible: stays where it is
        QCOMPARE(window->framePosition(), screen.topLeft());

        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(m_controller->window(), window);

        m_rig->clock.advance(86400 + 10); // everything expires while hidden
        m_controller->toggle();
        QVERIFY(window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(centred(window), 30000);
        QVERIFY(m_rig->store.items().isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(window->isActive(), 30000);
        m_controller->toggle();
        QVERIFY(!window->isVisible());
        // Hidden a while, the window is let go; the next show builds it anew,
        // with the same search.
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->window(), 30000);
        m_controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_controller->window()));
        QCOMPARE(child(root(), "searchField")->property("text").toString(),
                 QStringLiteral("first"));
    }

    void filtersByTextThenSourceApp_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"Straße nach Köln", "notes/today", "hello world", "Release notes",
                              "no source here"};
        QTest::newRow("empty") << "" << all;
        QTest::newRow("blanks and line break around")
            << " \n notes\t" << QStringList{"notes/today", "Release notes"};
        QTest::newRow("inner space is searched") << "o w" << QStringList{"hello world"};
        QTest::newRow("full case folding") << "STRASSE" << QStringList{"Straße nach Köln"};
        QTest::newRow("app name, in part") << "termin" << QStringList{"hello world"};
        QTest::newRow("accents matter") << "koln" << QStringList{};
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
        const QString b = m_rig->store.items().at(0).id.toString(QUuid::WithoutBraces);
        const QString a = m_rig->store.items().at(1).id.toString(QUuid::WithoutBraces);

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

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
