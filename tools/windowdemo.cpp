// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the history window filled with sample entries, for screenshots and
// for looking at it by hand:
//   quillet-window-demo [--empty] [--query TEXT] [--dark] [--entries N] [--select N]
//                       [--screenshot FILE]
// With --screenshot it takes a picture of the whole screen with ImageMagick's
// `import` once the window has drawn itself, and quits.
#include "clipboardstore.h"
#include "historywindowcontroller.h"
#include "translations.h"
#include "common/qtscheduler.h"
#include "systemclock.h"

#include <QApplication>
#include <QKeyEvent>
#include <QCommandLineParser>
#include <QPalette>
#include <QProcess>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTimer>

using namespace quillet;

namespace {

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2d, 0x31));
    palette.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Base, QColor(0x1f, 0x20, 0x23));
    palette.setColor(QPalette::AlternateBase, QColor(0x33, 0x35, 0x3a));
    palette.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3c, 0x41));
    palette.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Highlight, QColor(0x4f, 0x8f, 0xf7));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9c, 0xa3));
    palette.setColor(QPalette::Mid, QColor(0x4a, 0x4c, 0x52));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1b));
    palette.setColor(QPalette::Light, QColor(0x55, 0x57, 0x5d));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3c, 0x41));
    palette.setColor(QPalette::ToolTipText, QColor(0xe8, 0xe8, 0xea));
    return palette;
}

// Wall-clock time moved back by `offset` seconds, to give the sample entries
// their ages.
class PastClock final : public platform::Clock
{
public:
    platform::Timestamp now() const override { return m_system.now() - offset; }
    double offset = 0;

private:
    platform::SystemClock m_system;
};

void fill(history::ClipboardStore &store, PastClock &clock, int count)
{
    const QStringList samples = {
        QStringLiteral("git rebase --interactive origin/main"),
        QStringLiteral("https://www.debian.org/releases/bookworm/amd64/release-notes/"),
        QStringLiteral("Line one of a note\nline two\nline three\nline four\nline five\n"
                       "line six\nline seven\nline eight\nline nine\nline ten"),
        QStringLiteral("Meeting moved to Thursday 14:30, room 4.12 — bring the quarterly "
                       "figures and the draft of the roadmap so that we can go through every "
                       "item before the review with the whole team next week."),
        QStringLiteral("SELECT id, name FROM users WHERE created_at > now() - interval '1 day';"),
        QStringLiteral("Crème brûlée, façade, naïve café"),
        QStringLiteral("+49 30 1234567"),
        QStringLiteral("sudo apt-get install --no-install-recommends qt6-base-dev"),
        QStringLiteral("{\"name\": \"quillet\", \"version\": \"0.1.0\"}"),
        QStringLiteral("👍 Sounds good, see you there!"),
        QStringLiteral("/home/alex/Documents/Projects/2026/report-final-v3.odt"),
        QStringLiteral("ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIFx1b2mA4 alex@laptop"),
    };
    const QStringList apps = {QStringLiteral("Terminal"), QStringLiteral("Firefox"),
                              QStringLiteral("Text Editor"), QString()};
    for (int i = count - 1; i >= 0; --i) {
        const QString text =
            i < samples.size() ? samples[i] : QStringLiteral("Sample entry %1").arg(i);
        const QString app = apps[i % apps.size()];
        clock.offset = 40.0 + i * i * 150.0;
        store.capture(text, app.isEmpty() ? std::nullopt : std::optional<QString>(app));
        if (i == 3) // a repeated copy
            store.capture(text, app);
    }
    clock.offset = 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("empty"), QStringLiteral("No entries.")},
         {QStringLiteral("dark"), QStringLiteral("A dark palette.")},
         {QStringLiteral("query"), QStringLiteral("Search text."), QStringLiteral("text")},
         {QStringLiteral("entries"), QStringLiteral("How many entries."), QStringLiteral("n"),
          QStringLiteral("12")},
         {QStringLiteral("select"), QStringLiteral("Rows to move down from the search field."),
          QStringLiteral("n"), QStringLiteral("0")},
         {QStringLiteral("screenshot"), QStringLiteral("Picture of the screen."),
          QStringLiteral("file")}});
    parser.process(app);
    ui::Translations::install();
    if (parser.isSet(QStringLiteral("dark")))
        QGuiApplication::setPalette(darkPalette());

    QTemporaryDir home;
    PastClock clock;
    platform::QtScheduler scheduler;
    history::ClipboardStore store(clock, home.filePath(QStringLiteral("history.json")));
    if (!parser.isSet(QStringLiteral("empty")))
        fill(store, clock, parser.value(QStringLiteral("entries")).toInt());
    ui::HistoryWindowController window(
        store, [&](const history::ClipboardItem &item) { store.markCopied(item); }, clock,
        scheduler);
    window.view().setSearchText(parser.value(QStringLiteral("query")));
    window.show();
    for (int i = 0; i < parser.value(QStringLiteral("select")).toInt(); ++i) {
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(window.window(), &key);
        }
    }
    const QString screenshot = parser.value(QStringLiteral("screenshot"));
    if (!screenshot.isEmpty()) {
        // The second frame: the first may still lack images loaded meanwhile.
        int frames = 0;
        QObject::connect(window.window(), &QQuickWindow::frameSwapped, &app, [&] {
            if (++frames == 2)
                QTimer::singleShot(300, &app, [&] {
                    QProcess::execute(
                        QStringLiteral("import"),
                        {QStringLiteral("-window"), QStringLiteral("root"), screenshot});
                    QCoreApplication::quit();
                });
        });
        window.window()->update();
    }
    return QApplication::exec();
}
