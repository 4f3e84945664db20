// SPDX-License-Identifier: GPL-3.0-or-later
// The history window as a user meets it: its QML loads cleanly, clicks and
// keys copy and delete, and the window hides instead of closing.
#include "historywindowcontroller.h"
#include "support/capturerig.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QTest>

using quillet::history::ClipboardItem;
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
    std::unique_ptr<HistoryWindowController> m_controller;
    QList<ClipboardItem> m_copied;

    QQuickItem *root() const { return m_controller->window()->rootObject(); }
    int listCount() const { return child(root(), "historyList")->property("count").toInt(); }

private Q_SLOTS:
    void initTestCase() { previousHandler = qInstallMessageHandler(recordWarnings); }

    void init()
    {
        qmlWarnings.clear();
        m_copied.clear();
        m_rig = std::make_unique<CaptureRig>();
        for (const char *text : {"third", "second", "first"}) {
            m_rig->clock.advance(1);
            m_rig->store.capture(QString::fromLatin1(text), QStringLiteral("Terminal"));
        }
        m_controller = std::make_unique<HistoryWindowController>(
            m_rig->store, [this](const ClipboardItem &item) { m_copied << item; }, m_rig->clock,
            m_rig->scheduler);
        m_controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_controller->window()));
    }
    void cleanup()
    {
        m_controller.reset();
        QVERIFY2(qmlWarnings.isEmpty(), qPrintable(qmlWarnings.join(u'\n')));
    }

    void showsEveryPartAndActsOnClicks()
    {
        QTRY_COMPARE_WITH_TIMEOUT(listCount(), 3, 30000);
        QCOMPARE(rows(root()).size(), 3);

        QQuickItem *first = rows(root()).first();
        QCOMPARE(first->property("text").toString(), QStringLiteral("first"));
        click(m_controller->window(), child(first, "copyButton"));
        QCOMPARE(m_copied.size(), 1);
        QCOMPARE(m_copied.first().text, QStringLiteral("first"));
        QTRY_VERIFY_WITH_TIMEOUT(first->property("isCopied").toBool(), 30000);
        click(m_controller->window(), child(first, "rowContent"));
        QCOMPARE(m_copied.size(), 2);
    }

    // Typing goes to the search field at once; arrows, Enter, Delete and
    // Escape do the rest.
    void worksFromTheKeyboard()
    {
        QQuickView *window = m_controller->window();
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

    void hidesInsteadOfClosingAndComesBackCentred()
    {
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
        QCOMPARE(m_controller->view().searchText(), QStringLiteral("first"));

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
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
