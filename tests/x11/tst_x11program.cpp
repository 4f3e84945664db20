// SPDX-License-Identifier: GPL-3.0-or-later
// The installed program, end to end, driven only as a user would: xclip
// copies, xdotool presses keys, another program's text field receives the
// paste, and the history file on disk tells what was recorded.
#include "support/createdfiles.h"
#include "support/files.h"
#include "support/programrun.h"
#include "support/sanitizers.h"
#include "support/waituntil.h"
#include "systemclock.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <unistd.h>

using quillet::history::ClipboardItem;
using quillet::history::HistoryCodec;
using namespace quillet::tests;

namespace {

QByteArray xdotool(const QStringList &arguments, int *exitCode = nullptr)
{
    return run(QStringLiteral("xdotool"), arguments, exitCode);
}

// xdotool with arguments that hold no spaces, written as one line.
QByteArray xdotool(const char *words, int *exitCode = nullptr)
{
    return xdotool(QString::fromLatin1(words).split(u' '), exitCode);
}

qint64 residentKilobytes(qint64 pid)
{
    const QByteArray status = readFile(QStringLiteral("/proc/%1/status").arg(pid));
    const qsizetype at = status.indexOf("VmRSS:");
    return at < 0 ? 0
                  : status.mid(at + 6, status.indexOf('\n', at) - at - 6)
                        .trimmed()
                        .split(' ')
                        .first()
                        .toLongLong();
}

void xclipCopy(const QByteArray &text)
{
    run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")},
        nullptr, text);
}

} // namespace

class TestX11Program : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
    QProcess m_tray;
    QProcess m_notes;
    QProcess m_quillet;
    QProcessEnvironment m_environment;
    qint64 m_zenityQuitWithQuillet = -1;

    QString historyPath() const { return m_home.filePath(QStringLiteral("Quillet/history.json")); }

    QList<ClipboardItem> history() const { return historyIn(historyPath()); }
    QStringList historyTexts() const { return historyTextsIn(historyPath()); }

    // The history window when it is on screen, else an empty string.
    QString visibleWindow() const
    {
        int exitCode = 0;
        const QByteArray found = xdotool("search --onlyvisible --name ^Quillet$", &exitCode);
        return exitCode == 0 ? QString::fromLatin1(found).section(u'\n', 0, 0).trimmed()
                             : QString();
    }

    void startQuillet(QProcess &process, const QStringList &wrapper = {})
    {
        process.setProcessEnvironment(m_environment);
        const QString program = QStringLiteral(QUILLET_INSTALLED_PROGRAM);
        if (wrapper.isEmpty())
            process.start(program);
        else
            process.start(wrapper.first(), wrapper.mid(1) << program);
        QVERIFY(process.waitForStarted());
    }

    QString socketPath() const { return m_runtime.filePath(QStringLiteral("quillet.socket")); }

    // Presses Ctrl+Alt+V and waits until the window is shown or hidden.
    void toggleWindow(bool shown)
    {
        xdotool("key ctrl+alt+v");
        QVERIFY2(waitUntil([&] { return visibleWindow().isEmpty() != shown; }),
                 shown ? "not shown" : "not hidden");
    }

    // As long as a person holding it would, well past the repeat delay.
    static void holdCtrlAltOne()
    {
        xdotool("keydown ctrl+alt+1");
        QTest::qWait(1500);
        xdotool("keyup 1 alt ctrl");
    }

    // `quillet ARGUMENTS…` as a script runs it, without a display.
    QByteArray quillet(const QStringList &arguments, int *exitCode,
                       const QByteArray &input = QByteArray(), QByteArray *errors = nullptr,
                       const QString &dataHome = QString())
    {
        QProcessEnvironment environment = m_environment;
        environment.remove(QStringLiteral("DISPLAY"));
        if (!dataHome.isEmpty())
            environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        QProcess command;
        command.setProcessEnvironment(environment);
        command.start(QStringLiteral(QUILLET_INSTALLED_PROGRAM), arguments);
        if (!input.isNull())
            command.write(input);
        command.closeWriteChannel();
        command.waitForFinished(-1);
        *exitCode = command.exitStatus() == QProcess::NormalExit ? command.exitCode() : -1;
        if (errors)
            *errors = command.readAllStandardError();
        return command.readAllStandardOutput();
    }

    int quilletStatus(const QStringList &arguments, const QByteArray &input = QByteArray())
    {
        int exitCode = -1;
        quillet(arguments, &exitCode, input);
        return exitCode;
    }

    static QString shortId(const ClipboardItem &item)
    {
        return item.id.toString(QUuid::WithoutBraces).toUpper().left(8);
    }

    // The saves of the changes made so far are on disk.
    bool waitForSaves()
    {
        int exitCode = -1;
        const QByteArray listed =
            quillet({QStringLiteral("list"), QStringLiteral("--json")}, &exitCode);
        return waitUntil([&] { return HistoryCodec::decode(listed) == history(); });
    }

    // The methods, signals and properties of io.quillet.History1 in an
    // introspection document, each with its arguments' directions and types.
    static QStringList membersOf(const QByteArray &xml)
    {
        QXmlStreamReader reader(xml);
        QStringList members;
        bool inside = false;
        while (!reader.atEnd()) {
            reader.readNext();
            const QXmlStreamAttributes attributes = reader.attributes();
            if (reader.isEndElement() && reader.name() == u"interface")
                inside = false;
            if (!reader.isStartElement())
                continue;
            if (reader.name() == u"interface")
                inside = attributes.value(QStringLiteral("name")) == u"io.quillet.History1";
            else if (inside && reader.name() == u"arg")
                members.last() += u' ' + attributes.value(QStringLiteral("direction")).toString() +
                                  attributes.value(QStringLiteral("type")).toString();
            else if (inside && reader.name() != u"annotation")
                members << reader.name().toString() + u' ' +
                               attributes.value(QStringLiteral("name")).toString() + u' ' +
                               attributes.value(QStringLiteral("type")).toString() +
                               attributes.value(QStringLiteral("access")).toString();
        }
        members.sort();
        return members;
    }

    static QByteArray clipboardText(const char *target = "UTF8_STRING")
    {
        return run(QStringLiteral("xclip"),
                   {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                    QStringLiteral("-t"), QString::fromLatin1(target)});
    }

    void focus(const QString &windowName)
    {
        xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                 windowName, QStringLiteral("windowactivate"), QStringLiteral("--sync")});
    }

    // zenity's entry (GTK) copies `text`, then quits on Enter: the time it
    // takes to quit, which includes any hand-over of its clipboard.
    qint64 zenityCopiesAndQuits(const QString &text, bool recorded)
    {
        QProcess zenity;
        zenity.start(QStringLiteral("zenity"),
                     {QStringLiteral("--entry"), QStringLiteral("--title=Zenity Copy"),
                      QStringLiteral("--entry-text=") + text});
        focus(QStringLiteral("^Zenity Copy$"));
        xdotool("key ctrl+a ctrl+c");
        waitUntil([&] { return clipboardText() == text.toUtf8(); });
        if (recorded)
            waitUntil([&] { return historyTexts().value(0) == text; });
        QElapsedTimer quitting;
        quitting.start();
        xdotool("key Return");
        zenity.waitForFinished(-1);
        return quitting.elapsed();
    }

    // The test owner copies, quits as toolkits do, and says what the
    // clipboard manager answered.
    static QByteArray handsOver(const QStringList &arguments)
    {
        return run(QStringLiteral(QUILLET_CLIPBOARD_OWNER), arguments).trimmed().split('\n').last();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path());
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());

        // A desktop entry for the window the copies come from.
        QVERIFY(writeFile(m_home.filePath(QStringLiteral("applications/notes-test.desktop")),
                          "[Desktop Entry]\nType=Application\nName=Notes Test\nExec=xmessage\n"
                          "StartupWMClass=Xmessage\n"));

        m_notes.start(QStringLiteral("xmessage"), {QStringLiteral("Notes")});
        QVERIFY(m_notes.waitForStarted());
        focus(QStringLiteral("^xmessage$"));
    }

    // A first start writes nothing until the first change: the lock and the
    // socket live in the runtime folder. Every file made is owner-only from
    // the moment it exists. Ended right after a copy, the copy is kept.
    void aFirstStartWritesNothingUntilTheFirstCopy()
    {
        const QString dataFolder = m_home.filePath(QStringLiteral("Quillet"));
        CreatedFiles created({m_home.path(), m_runtime.path()});
        QProcess first;
        startQuillet(first);
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += first.readAllStandardError()).contains("no system tray"),
                                 30000);
        const bool socketAtStart = QFile::exists(socketPath());
        const bool dataFolderAtStart = QFile::exists(dataFolder);
        xclipCopy("the first copy");
        QVERIFY(waitUntil([&] { return QFile::exists(historyPath()); }));
        created.update();
        first.terminate();
        QVERIFY(first.waitForFinished(30000));
        const QStringList firstHistory = historyTexts();

        // A history with one entry that expired while the program was not running.
        const double now = quillet::platform::SystemClock().now();
        ClipboardItem fresh(QStringLiteral("still fresh"), QStringLiteral("Terminal"), now - 60);
        fresh.id = QUuid(QStringLiteral("5EED5EED-0000-4000-8000-000000000001"));
        ClipboardItem twin(QStringLiteral("fresh twin"), std::nullopt, now - 120);
        twin.id = QUuid(QStringLiteral("5EED5EED-1111-4000-8000-000000000002"));
        ClipboardItem expired(QStringLiteral("long expired"), std::nullopt, now - 2 * 86400);
        QVERIFY(writeFile(historyPath(), HistoryCodec::encode({fresh, twin, expired}).value()));
        xclipCopy("on the clipboard at start");
        startQuillet(m_quillet);

        QVERIFY(socketAtStart);
        QVERIFY(!dataFolderAtStart);
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(firstHistory, QStringList{"the first copy"});
        QVERIFY2(created.openToOthers().isEmpty(), qPrintable(created.openToOthers().join(u' ')));
        for (const QString &made : {dataFolder, historyPath(), socketPath(),
                                    m_runtime.filePath(QStringLiteral("quillet.lock"))})
            QVERIFY2(created.modes().contains(made), qPrintable(made));
    }

    // Some desktops start their tray late: the program says so once, and
    // its icon appears when the tray does.
    void waitsForATrayHost()
    {
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT(
            (log += m_quillet.readAllStandardError()).contains("no system tray"), 30000);
        QCOMPARE(log.count("Quillet: "), 1);
        m_tray.start(QStringLiteral("tint2"), {});
        QVERIFY(m_tray.waitForStarted());
        xdotool("search --sync --class ^quillet$");
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_quillet, &m_notes, &m_tray}) {
            process->kill();
            process->waitForFinished();
        }
    }

    void expiredEntriesArePurgedAtStart()
    {
        QCOMPARE(historyTexts(), (QStringList{"still fresh", "fresh twin"}));
    }

    // While an owner that never answers holds the clipboard, the window
    // still opens and closes, and the next normal copy is recorded.
    void ctrlAltVShowsAndHidesTheWindow()
    {
        QProcess silentOwner;
        silentOwner.start(QStringLiteral(QUILLET_CLIPBOARD_OWNER),
                          {QStringLiteral("never answers"), QStringLiteral("--silent")});
        QVERIFY(silentOwner.waitForStarted());
        QVERIFY(waitUntil([&] { return silentOwner.canReadLine(); }));
        xdotool("key ctrl+alt+v");
        QString window;
        QVERIFY(waitUntil([&] { return !(window = visibleWindow()).isEmpty(); }));
        QVERIFY(waitUntil(
            [&] { return QString::fromLatin1(xdotool("getactivewindow")).trimmed() == window; }));

        xdotool("key ctrl+alt+v");
        QVERIFY(waitUntil([&] { return visibleWindow().isEmpty(); }));
        QCOMPARE(silentOwner.state(), QProcess::Running);

        // Every press acts, however soon it follows the last: a glance at
        // the window and away. The release of a press made while our window
        // has the focus comes to that window.
        for (const int gapMs : {300, 1200, 300, 800, 500, 300}) {
            toggleWindow(true);
            QTest::qWait(gapMs);
            toggleWindow(false);
            QTest::qWait(gapMs);
        }
        xdotool("key Num_Lock Caps_Lock");
        toggleWindow(true);
        QVERIFY(waitUntil([&] {
            return QString::fromLatin1(xdotool("getactivewindow")).trimmed() == visibleWindow();
        }));
        QTest::qWait(300);
        toggleWindow(false);
        xdotool("key Num_Lock Caps_Lock");

        focus(QStringLiteral("^xmessage$"));
        xclipCopy("copied after a silent owner");
        QTRY_COMPARE_WITH_TIMEOUT(historyTexts().value(0),
                                  QStringLiteral("copied after a silent owner"), 30000);
        QCOMPARE(history().first().sourceApp, QStringLiteral("Notes Test"));
        QVERIFY(!historyTexts().contains(QStringLiteral("on the clipboard at start")));
    }

    // Held past the keyboard's repeat delay, the shortcut pastes once and
    // lets no digit through.
    void ctrlAltOnePastesTheLatestEntry()
    {
        QProcess field;
        field.start(QStringLiteral(QUILLET_TEXT_FIELD));
        QVERIFY(field.waitForStarted());
        focus(QStringLiteral("^Paste Target$"));
        // The field writes its whole text as a line of JSON after each change.
        const auto fieldText = [&] {
            waitUntil([&] { return field.canReadLine(); });
            return QJsonDocument::fromJson(field.readLine()).array().first().toString();
        };
        const QString latest = QStringLiteral("copied after a silent owner");
        holdCtrlAltOne();
        QCOMPARE(fieldText(), latest);
        // Pressed again soon after, it pastes again.
        xdotool("key --delay 400 ctrl+alt+1 ctrl+alt+1");
        QCOMPARE(fieldText(), latest.repeated(2));
        QCOMPARE(fieldText(), latest.repeated(3));
        // The same action over D-Bus.
        QCOMPARE(gapplicationAction(QStringLiteral("paste-latest")), 0);
        QCOMPARE(fieldText(), latest.repeated(4));
        // Ctrl+Alt+2, with NumLock on.
        xdotool("key Num_Lock");
        xdotool("key ctrl+alt+2");
        xdotool("key Num_Lock");
        QCOMPARE(fieldText(), latest.repeated(4) + QStringLiteral("still fresh"));
        field.kill();
        field.waitForFinished();
        // Pasting neither records the text again nor moves the entry.
        QCOMPARE(history().first().copyCount, 1);
    }

    // A terminal pastes with Ctrl+Shift+V; xterm from the primary selection
    // with Shift+Insert. Ctrl+V would reach the shell inside as a control key.
    void ctrlAltOnePastesIntoTerminals()
    {
        const QString file = m_home.filePath(QStringLiteral("typed"));
        // Without line editing, every key reaches the file at once.
        const QString catIntoFile = QStringLiteral("stty -icanon -echo; exec cat > '%1'").arg(file);
        const QList<QStringList> terminals = {
            {QStringLiteral("lxterminal"), QStringLiteral("--title=Quillet Terminal"),
             QStringLiteral("--command=sh -c \"%1\"").arg(catIntoFile)},
            {QStringLiteral("xterm"), QStringLiteral("-T"), QStringLiteral("Quillet Terminal"),
             QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"), catIntoFile}};
        for (const QStringList &command : terminals) {
            QFile::remove(file);
            QProcess terminal;
            terminal.start(command.first(), command.mid(1));
            QVERIFY(terminal.waitForStarted());
            QVERIFY(waitUntil([&] { return QFile::exists(file); }));
            focus(QStringLiteral("^Quillet Terminal$"));
            holdCtrlAltOne();
            const QByteArray expected("copied after a silent owner");
            QVERIFY2(waitUntil([&] { return readFile(file).size() >= expected.size(); }),
                     qPrintable(command.first()));
            xdotool("key period");
            QVERIFY(waitUntil([&] { return readFile(file).endsWith('.'); }));
            QCOMPARE(readFile(file), expected + '.');
            terminal.kill();
            terminal.waitForFinished();
        }
    }

    // Scripts and pickers reach the history with `quillet COMMAND`, and any
    // program through the same interface on the bus; none needs a display.
    void theCommandLineActsOnTheRunningHistory()
    {
        // Copied by a program that then quits: the text stays on the clipboard,
        // and is not recorded again.
        const QString multiLine = QStringLiteral("tab\there\nnext line\r\nlast");
        QProcess owner;
        owner.start(
            QStringLiteral("xclip"),
            {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        owner.write(multiLine.toUtf8());
        owner.closeWriteChannel();
        QTRY_COMPARE_WITH_TIMEOUT(historyTexts().value(0), multiLine, 30000);
        QVERIFY(waitForSaves());
        const QByteArray recorded = readFile(historyPath());
        owner.kill();
        owner.waitForFinished();
        QVERIFY(waitUntil([&] { return clipboardText() == multiLine.toUtf8(); }));
        QVERIFY(waitForSaves());
        QCOMPARE(readFile(historyPath()), recorded);
        QDBusInterface bus(QStringLiteral("io.quillet.Quillet"),
                           QStringLiteral("/io/quillet/Quillet"),
                           QStringLiteral("io.quillet.History1"));
        int status = -1;
        const QList<ClipboardItem> items = history();
        const QList<QByteArray> lines = quillet({QStringLiteral("list")}, &status).split('\n');
        QCOMPARE(status, 0);
        QCOMPARE(lines.size(), items.size() + 1);
        QCOMPARE(
            lines.first(),
            (shortId(items.first()) + u'\t' + QStringLiteral("tab here⏎next line⏎last")).toUtf8());
        const QByteArray json =
            quillet({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--limit=2")},
                    &status);
        QCOMPARE(HistoryCodec::decode(json).value(), items.mid(0, 2));

        // Positions, ids, prefixes and a picker's line; a copy moves the
        // entry to the top.
        const auto copies = [&](const QStringList &arguments, const QByteArray &text,
                                const QByteArray &input = QByteArray()) {
            int exitCode = -1;
            quillet(QStringList{QStringLiteral("copy")} << arguments, &exitCode, input);
            return exitCode == 0 && waitUntil([&] { return clipboardText() == text; }) &&
                   waitUntil([&] { return historyTexts().value(0) == QString::fromUtf8(text); });
        };
        QVERIFY(copies({QStringLiteral("3")}, "still fresh"));
        QVERIFY(copies({QStringLiteral("5eed5eed-1111-4000-8000-000000000002")}, "fresh twin"));
        QVERIFY(copies({QStringLiteral("{5EED5EED-0}")}, "still fresh"));
        const QByteArray picked = lines.value(1);
        QVERIFY(copies({QStringLiteral("-")}, "copied after a silent owner", picked + '\n'));
        QVERIFY(copies({QStringLiteral("-")}, multiLine.toUtf8(), lines.first().left(8)));

        // Wrong selectors and calls change nothing.
        QVERIFY(history().first().text == multiLine && waitForSaves());
        const QByteArray saved = readFile(historyPath());
        // The program has said all it had to say of the copies above once it
        // answers a call; only the signals after it are counted.
        bus.call(QStringLiteral("List"), 1u);
        QSignalSpy changed(&bus, SIGNAL(Changed()));
        for (const QString &selector :
             {QStringLiteral("5eed5eed"), QStringLiteral("99"), QStringLiteral("12345678901234")})
            QCOMPARE(quilletStatus({QStringLiteral("paste"), selector}), 3);
        for (const QString &selector :
             {QStringLiteral("0"), QString(), QStringLiteral("not an id"), QStringLiteral("-1")})
            QCOMPARE(quilletStatus({QStringLiteral("delete"), selector}), 2);
        for (const QByteArray &line : {QByteArray("\n"), QByteArray("words\tafter a tab\n")})
            QCOMPARE(quilletStatus({QStringLiteral("copy"), QStringLiteral("-")}, line), 2);
        QCOMPARE(quilletStatus({QStringLiteral("copy")}), 2);
        QCOMPARE(quilletStatus(
                     {QStringLiteral("list"), QStringLiteral("--limit"), QStringLiteral("none")}),
                 2);
        QCOMPARE(quilletStatus({QStringLiteral("frobnicate")}), 2);
        QCOMPARE(bus.call(QStringLiteral("Copy"), QStringLiteral("not an id")).type(),
                 QDBusMessage::ErrorMessage);
        QCOMPARE(bus.call(QStringLiteral("Delete"), 42).type(), QDBusMessage::ErrorMessage);
        QCOMPARE(bus.call(QStringLiteral("Paste"),
                          QStringLiteral("00000000-0000-4000-8000-000000000000"))
                     .errorName(),
                 QStringLiteral("io.quillet.History1.Error.NoSuchEntry"));
        QCOMPARE(bus.call(QStringLiteral("List"), QStringLiteral("all")).type(),
                 QDBusMessage::ErrorMessage);
        QCOMPARE(bus.property("Paused").toBool(), false);
        QCOMPARE(readFile(historyPath()), saved);
        QCOMPARE(changed.size(), 0);

        // What the installed description says is what the program offers.
        const QString installed =
            QFileInfo(QStringLiteral(QUILLET_INSTALLED_PROGRAM))
                .dir()
                .filePath(QStringLiteral("../share/dbus-1/interfaces/io.quillet.History1.xml"));
        QCOMPARE(membersOf(QDBusInterface(bus.service(), bus.path(),
                                          QStringLiteral("org.freedesktop.DBus.Introspectable"))
                               .call(QStringLiteral("Introspect"))
                               .arguments()
                               .value(0)
                               .toString()
                               .toUtf8()),
                 membersOf(readFile(installed)));

        // Pause and resume, delete, the window (through the application
        // interface that desktops bind keys to), and clear: one signal each.
        QCOMPARE(quilletStatus({QStringLiteral("pause")}), 0);
        QCOMPARE(bus.property("Paused").toBool(), true);
        QCOMPARE(quilletStatus({QStringLiteral("resume")}), 0);
        QCOMPARE(bus.property("Paused").toBool(), false);
        QCOMPARE(quilletStatus({QStringLiteral("delete"), QStringLiteral("1")}), 0);
        QVERIFY(waitUntil([&] { return !historyTexts().contains(multiLine); }));
        QCOMPARE(quilletStatus({QStringLiteral("show")}), 0);
        QVERIFY(waitUntil([&] { return !visibleWindow().isEmpty(); }));
        QCOMPARE(quilletStatus({QStringLiteral("toggle")}), 0);
        QVERIFY(waitUntil([&] { return visibleWindow().isEmpty(); }));
        QCOMPARE(quilletStatus({QStringLiteral("clear")}), 0);
        QVERIFY(waitUntil([&] { return historyTexts().isEmpty(); }));
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 4, 30000);
        bus.call(QStringLiteral("List"), 1u);
        QCoreApplication::processEvents();
        QCOMPARE(changed.size(), 4);
        focus(QStringLiteral("^xmessage$"));
        xclipCopy("after the clear");
        QTRY_COMPARE_WITH_TIMEOUT(historyTexts(), QStringList{"after the clear"}, 30000);
    }

    // Quitting GTK and Qt programs hand their clipboard to the clipboard
    // manager, which Quillet is here: it keeps every format, not only the
    // text, within bounds, and never a secret or a copy made while paused.
    void aQuittingProgramHandsItsClipboardOver()
    {
        m_zenityQuitWithQuillet = zenityCopiesAndQuits(QStringLiteral("copied in zenity"), true);
        QCOMPARE(clipboardText(), QByteArray("copied in zenity"));
        QVERIFY(clipboardText("TARGETS").contains("COMPOUND_TEXT")); // GTK's, not ours
        QCOMPARE(history().first().copyCount, 1);

        QCOMPARE(handsOver({QStringLiteral("gone quiet"), QStringLiteral("--hand-over-silent")}),
                 "hand-over refused");
        QCOMPARE(handsOver({QStringLiteral("huge image"), QStringLiteral("--hand-over"),
                            QStringLiteral("--image-bytes"), QStringLiteral("300000000")}),
                 "handed over");
        QCOMPARE(clipboardText("TARGETS"), QByteArray("TARGETS\nUTF8_STRING\n"));
        QCOMPARE(clipboardText(), QByteArray("huge image"));
        QCOMPARE(handsOver({QStringLiteral("an image"), QStringLiteral("--hand-over"),
                            QStringLiteral("--image-bytes"), QStringLiteral("3000000")}),
                 "handed over");
        QCOMPARE(clipboardText("image/png"), QByteArray(3000000, 'x')); // served in pieces
        // Another program cannot make Quillet take a live owner's clipboard.
        QProcess liveOwner;
        liveOwner.start(QStringLiteral(QUILLET_CLIPBOARD_OWNER), {QStringLiteral("still running")});
        QTRY_COMPARE_WITH_TIMEOUT(historyTexts().value(0), QStringLiteral("still running"), 30000);
        QCOMPARE(handsOver({QStringLiteral("--hand-over-only")}), "hand-over refused");
        liveOwner.kill();
        liveOwner.waitForFinished();
        QCOMPARE(handsOver({QStringLiteral("a password"), QStringLiteral("--secret"),
                            QStringLiteral("--hand-over")}),
                 "hand-over refused");
        QCOMPARE(clipboardText(), QByteArray());
        QCOMPARE(quilletStatus({QStringLiteral("pause")}), 0);
        QCOMPARE(handsOver({QStringLiteral("while paused"), QStringLiteral("--hand-over")}),
                 "hand-over refused");
        QCOMPARE(clipboardText(), QByteArray());
        QCOMPARE(quilletStatus({QStringLiteral("resume")}), 0);
        xclipCopy("after the hand-overs");
        QTRY_COMPARE_WITH_TIMEOUT(
            historyTexts().mid(0, 4),
            QStringList({"after the hand-overs", "still running", "an image", "huge image"}),
            30000);
    }

    void aSecondStartShowsTheFirstOnesWindow()
    {
        QVERIFY(waitUntil([&] { return visibleWindow().isEmpty(); }));
        QProcess second;
        startQuillet(second);
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(waitUntil([&] { return !visibleWindow().isEmpty(); }));
        QCOMPARE(m_quillet.state(), QProcess::Running);

        // Any program on the bus may pass activation tokens: no number of
        // them, long or short, grows the program's memory.
        const auto activateWithToken = [](const QString &token) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("io.quillet.Quillet"), QStringLiteral("/io/quillet/Quillet"),
                QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
            call << QVariantMap{{QStringLiteral("activation-token"), token}};
            return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
        };
        QVERIFY(activateWithToken(QStringLiteral("warm-up")));
        const qint64 before = residentKilobytes(m_quillet.processId());
        for (int i = 0; i < 200; ++i)
            QVERIFY(activateWithToken(QString::number(i).leftJustified(256 * 1024, u'x')));
        for (int i = 0; i < 2000; ++i)
            QVERIFY(activateWithToken(QString::number(i).leftJustified(4000, u'y')));
        const qint64 rise = (residentKilobytes(m_quillet.processId()) - before) / 1024;
        qInfo("resident memory rose by %lld MB over 2,200 activation tokens", rise);
        QVERIFY(rise < 16 || !residentMemoryIsMeaningful);
    }

    // Without a display, a start says why it cannot run. A data folder that
    // cannot be written only makes saves fail: the program starts, shows its
    // history, and says so at each save, leaving the file as it was.
    void startsWhereTheDataFolderIsReadOnly()
    {
        QProcess headless;
        QProcessEnvironment noDisplay = m_environment;
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            noDisplay.remove(QString::fromLatin1(name));
        headless.setProcessEnvironment(noDisplay);
        headless.start(QStringLiteral(QUILLET_INSTALLED_PROGRAM));
        QVERIFY(headless.waitForFinished(30000));
        QCOMPARE(headless.exitStatus(), QProcess::NormalExit);
        QCOMPARE(headless.exitCode(), 1);
        QVERIFY(headless.readAllStandardError().contains("needs a graphical session"));

        m_quillet.terminate();
        QVERIFY(m_quillet.waitForFinished(30000));
        const QByteArray before = readFile(historyPath());
        qInfo("zenity quit %lld ms after Enter with Quillet keeping its clipboard, %lld ms with no "
              "clipboard manager",
              m_zenityQuitWithQuillet, zenityCopiesAndQuits(QStringLiteral("no manager"), false));

        // Not running: the commands say so and write nothing, and `list`
        // reads the file. An unreadable file lists nothing, and stays.
        QTemporaryDir empty;
        for (const QString &home : {m_home.path(), empty.path()}) {
            for (const QString &command :
                 {QStringLiteral("copy 1"), QStringLiteral("paste 1"), QStringLiteral("delete 1"),
                  QStringLiteral("clear"), QStringLiteral("pause"), QStringLiteral("resume"),
                  QStringLiteral("show"), QStringLiteral("toggle")}) {
                int exitCode = -1;
                quillet(command.split(u' '), &exitCode, QByteArray(), nullptr, home);
                QCOMPARE(exitCode, 1);
            }
        }
        QVERIFY(QDir(empty.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        QCOMPARE(readFile(historyPath()), before);
        int status = -1;
        QByteArray listed;
        for (const ClipboardItem &item : history())
            listed += (shortId(item) + u'\t' + item.text + u'\n').toUtf8();
        QCOMPARE(quillet({QStringLiteral("list")}, &status), listed);
        QCOMPARE(status, 0);
        const QString unreadable = empty.filePath(QStringLiteral("Quillet/history.json"));
        QVERIFY(writeFile(unreadable, "[{\"id\": "));
        QByteArray errors;
        QCOMPARE(quillet({QStringLiteral("list")}, &status, QByteArray(), &errors, empty.path()),
                 QByteArray());
        QCOMPARE(status, 0);
        QCOMPARE(errors.count('\n'), 1);
        QCOMPARE(readFile(unreadable), QByteArray("[{\"id\": "));
        const QString dataFolder = m_home.filePath(QStringLiteral("Quillet"));
        // Permissions do not stop root: a read-only mount of the folder does.
        QStringList readOnly;
        if (::geteuid() == 0)
            readOnly = {QStringLiteral("unshare"),
                        QStringLiteral("--mount"),
                        QStringLiteral("--propagation"),
                        QStringLiteral("private"),
                        QStringLiteral("sh"),
                        QStringLiteral("-c"),
                        QStringLiteral("mount --bind '%1' '%1' && mount -o remount,bind,ro '%1' "
                                       "&& exec \"$0\"")
                            .arg(dataFolder)};
        else
            QVERIFY(QFile::setPermissions(dataFolder, QFile::ReadOwner | QFile::ExeOwner));
        startQuillet(m_quillet, readOnly);
        QVERIFY(waitUntil([&] { return QFile::exists(socketPath()); }));
        QVERIFY(
            waitUntil([] { return gapplicationAction(QStringLiteral("toggle-history")) == 0; }));
        QVERIFY(waitUntil([&] { return !visibleWindow().isEmpty(); }));
        xclipCopy("while the folder is read-only");
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT(
            (log += m_quillet.readAllStandardError()).contains("failed to save clipboard history"),
            30000);
        QCOMPARE(m_quillet.state(), QProcess::Running);
        QCOMPARE(readFile(historyPath()), before);
        QFile::setPermissions(dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(TestX11Program)
#include "tst_x11program.moc"
