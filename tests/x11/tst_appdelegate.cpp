// SPDX-License-Identifier: GPL-3.0-or-later
// The program's wiring on a real X display: the tray menu row for row, and
// what its items do.
#include "appdelegate.h"
#include "support/stderrcapture.h"
#include "translations.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

using quillet::app::AppDelegate;

namespace {

QStringList rowsOf(const QMenu *menu)
{
    QStringList rows;
    for (const QAction *action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            rows << QStringLiteral("---");
        else
            rows << action->text() +
                        (action->shortcut().isEmpty() ? QString()
                                                      : u'\t' + action->shortcut().toString()) +
                        (action->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
    }
    return rows;
}

// Grabs Ctrl+Alt with `keycode` as another client would; the grab lasts as
// long as the connection. Null when the grab failed.
std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> grabElsewhere(xcb_keycode_t keycode)
{
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> connection(
        xcb_connect(nullptr, nullptr), xcb_disconnect);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data;
    xcb_generic_error_t *error = xcb_request_check(
        connection.get(), xcb_grab_key_checked(connection.get(), 1, screen->root,
                                               XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error)
        connection.reset();
    std::free(error);
    return connection;
}

QAction *item(const QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

// A desktop that offers an integration to enable, as GNOME does its extension.
class FakeIntegration final : public quillet::platform::DesktopIntegration
{
public:
    explicit FakeIntegration(int *requests) : m_requests(requests) {}
    bool canBeEnabled() const override { return *m_requests == 0; }
    void enable(std::function<void(bool)> done) override
    {
        ++*m_requests;
        done(true);
    }

private:
    int *m_requests;
};

} // namespace

class TestAppDelegate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
    }

    // Another client holds Ctrl+Alt+2 already: the menu says so.
    void buildsTheMenuRowForRow()
    {
        const auto other = grabElsewhere(11); // the key of 2
        QVERIFY(other);
        quillet::tests::StderrCapture log;
        int integrationRequests = 0;
        auto services = quillet::platform::DesktopServices::create();
        services.integration = std::make_unique<FakeIntegration>(&integrationRequests);
        AppDelegate delegate(std::move(services));
        delegate.applicationDidFinishLaunching();
        QVERIFY(!delegate.hotKeyRegistered());
        QVERIFY(log.lines().contains(
            QStringLiteral("Quillet: failed to register Ctrl+Alt+2 hotkey: 10")));
        QCOMPARE(rowsOf(delegate.menu()),
                 QStringList({"Show History\tCtrl+Alt+V", "Paste Latest\tCtrl+Alt+1",
                              "Paste Previous\tCtrl+Alt+2", "---", "Pause Capture",
                              "Start at Login", "Enable GNOME Integration", "---", "Clear History",
                              "---", "Some shortcuts unavailable (disabled)", "Quit\tCtrl+Q"}));

        QAction *pause = item(delegate.menu(), QStringLiteral("Pause Capture"));
        QVERIFY(pause->isCheckable());
        QVERIFY(!pause->isChecked());
        pause->trigger();
        QVERIFY(delegate.store().isPaused());
        delegate.store().setPaused(false); // from the window's switch
        pause->trigger();                  // inverts the actual state, then shows it
        QVERIFY(delegate.store().isPaused());
        QVERIFY(pause->isChecked());
        delegate.store().setPaused(false); // the window's switch; the menu opens later
        Q_EMIT delegate.menu()->aboutToShow();
        QVERIFY(!pause->isChecked());

        QAction *login = item(delegate.menu(), QStringLiteral("Start at Login"));
        const QString entry = quillet::app::LoginItem::entryPath();
        QVERIFY(entry.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QVERIFY(!login->isChecked());
        login->trigger();
        QVERIFY(login->isChecked());
        QFile written(entry);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("Exec=\"" +
                                           QCoreApplication::applicationFilePath().toUtf8()));
        login->trigger();
        QVERIFY(!QFile::exists(entry));
        QVERIFY(!login->isChecked());

        // Asked for once: it takes effect at the next login.
        item(delegate.menu(), QStringLiteral("Enable GNOME Integration"))->trigger();
        Q_EMIT delegate.menu()->aboutToShow();
        QCOMPARE(integrationRequests, 1);
        QVERIFY(!rowsOf(delegate.menu()).contains(QStringLiteral("Enable GNOME Integration")));

        delegate.store().capture(QStringLiteral("something"), std::nullopt);
        item(delegate.menu(), QStringLiteral("Clear History"))->trigger();
        QVERIFY(delegate.store().items().isEmpty());
    }

    // LANG=de_DE.UTF-8 and the like: the menu and the window speak German.
    void speaksTheUsersLanguage()
    {
        QVERIFY(quillet::ui::Translations::install(QLocale(QStringLiteral("de_DE"))));
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        for (const char *text : {"one", "two", "three"})
            delegate.store().capture(QString::fromLatin1(text), std::nullopt);
        delegate.showHistory();
        QStringList shown = rowsOf(delegate.menu());
        shown << delegate.menu()->actions().first()->shortcut().toString(QKeySequence::NativeText);
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (auto *view = qobject_cast<QQuickView *>(window); view && view->isVisible()) {
                const auto part = [view](const char *name) {
                    return view->rootObject()->findChild<QQuickItem *>(QLatin1String(name));
                };
                shown << part("searchField")->property("placeholderText").toString()
                      << part("savedCount")->property("text").toString();
            }
        }
        quillet::ui::Translations::install(QLocale::c());
        QCOMPARE(shown.first(), QStringLiteral("Verlauf anzeigen\tCtrl+Alt+V"));
        for (const char *text :
             {"Beim Anmelden starten", "Strg+Alt+V", "Verlauf durchsuchen", "3 gespeichert"})
            QVERIFY2(shown.contains(QString::fromUtf8(text)), text);
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
