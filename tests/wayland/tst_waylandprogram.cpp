// SPDX-License-Identifier: GPL-3.0-or-later
// The installed program on a Wayland compositor (headless sway or KWin),
// driven as a user would: wl-copy and a Qt text field of our own copy,
// wtype types, gapplication calls the program's actions, and the history
// file tells what was recorded.
#include "support/files.h"
#include "support/programrun.h"
#include "support/waituntil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet::tests;

namespace {

QByteArray dbusSend(const QStringList &arguments)
{
    return run(QStringLiteral("dbus-send"),
               QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply")} +
                   arguments);
}

QByteArray callKGlobalAccel(const QString &method, const QStringList &arguments)
{
    return dbusSend(QStringList{QStringLiteral("--dest=org.kde.kglobalaccel"),
                                QStringLiteral("/kglobalaccel"),
                                QStringLiteral("org.kde.KGlobalAccel.") + method} +
                    arguments);
}

// Tells which window KWin activates, through a script of KWin's own.
class KWinActivations : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillet.Test")

public:
    QStringList captions;

    bool start(const QString &scriptPath)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.registerObject(QStringLiteral("/activations"), this, QDBusConnection::ExportAllSlots);
        const QString script =
            QStringLiteral("workspace.clientActivated.connect(function (window) {\n"
                           "    callDBus('%1', '/activations', 'io.quillet.Test',\n"
                           "             'activated', window ? window.caption : '');\n"
                           "});\n")
                .arg(bus.baseService());
        if (!writeFile(scriptPath, script.toUtf8()))
            return false;
        dbusSend({QStringLiteral("--dest=org.kde.KWin"), QStringLiteral("/Scripting"),
                  QStringLiteral("org.kde.kwin.Scripting.loadScript"),
                  QStringLiteral("string:") + scriptPath,
                  QStringLiteral("string:quillet-test-activations")});
        // Runs the scripts loaded and not yet running.
        return dbusSend({QStringLiteral("--dest=org.kde.KWin"), QStringLiteral("/Scripting"),
                         QStringLiteral("org.kde.kwin.Scripting.start")})
            .startsWith("method return");
    }

public Q_SLOTS:
    void activated(const QString &caption) { captions << caption; }
};

void wlCopy(const QString &text)
{
    int exitCode = -1;
    run(QStringLiteral("wl-copy"), {text}, &exitCode);
    QCOMPARE(exitCode, 0);
}

} // namespace

class TestWaylandProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_keyboard;
    QProcess m_quillet;
    QByteArray m_log;

    QString historyPath() const { return m_home.filePath(QStringLiteral("Quillet/history.json")); }
    QStringList texts() const { return historyTextsIn(historyPath()); }

    // KWin gives ordinary clients no virtual keyboard.
    static bool hasVirtualKeyboard()
    {
        return qEnvironmentVariable("QUILLET_TEST_COMPOSITOR") != QLatin1String("kwin");
    }

    QByteArray log()
    {
        m_log += m_quillet.readAllStandardError();
        return m_log;
    }

    // A Qt text field of our own on Wayland, focused as a new window is.
    std::unique_ptr<QProcess> openField(const QStringList &arguments = {})
    {
        auto field = std::make_unique<QProcess>();
        field->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        field->start(QStringLiteral(QUILLET_TEXT_FIELD), arguments);
        return field;
    }

    // Types into the focused window; the field answers with its text.
    static void typeInto(QProcess &field, const QString &text)
    {
        QVERIFY(waitUntil([&] {
            run(QStringLiteral("wtype"), {text});
            return waitUntil([&] { return field.canReadLine(); }, 2000);
        }));
        field.readAll();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeFile(
            m_home.filePath(QStringLiteral("applications/quillet_textfield.desktop")),
            "[Desktop Entry]\nType=Application\nName=Field Test\nExec=quillet_textfield\n"));

        // A keyboard on the seat from the start: without one, the first key
        // typed is lost.
        m_keyboard.start(QStringLiteral("wtype"),
                         {QStringLiteral("-s"), QStringLiteral("3600000")});
        QVERIFY(m_keyboard.waitForStarted());

        // On KWin, another program holds Ctrl+Alt+2 already.
        if (!hasVirtualKeyboard()) {
            const QString other = QStringLiteral("array:string:other,grab-two,Other,Grab Two");
            callKGlobalAccel(QStringLiteral("doRegister"), {other});
            callKGlobalAccel(QStringLiteral("setShortcut"),
                             {other, QStringLiteral("array:int32:%1").arg(0x0C000032),
                              QStringLiteral("uint32:2")});
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path());
        m_quillet.setProcessEnvironment(environment);
        m_quillet.start(QStringLiteral(QUILLET_INSTALLED_PROGRAM));
        QVERIFY(m_quillet.waitForStarted());
        QVERIFY(waitUntil([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QStringLiteral("io.quillet.Quillet"));
        }));
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_quillet, &m_keyboard}) {
            process->kill();
            process->waitForFinished();
        }
    }

    void capturesCopiesWithTheApplicationInFront()
    {
        auto field = openField({QStringLiteral("--copy"), QStringLiteral("from the Qt field")});
        QVERIFY(field->waitForStarted());
        // wl-copy has no window: its copy is attributed to the field, which
        // is in front once the compositor has said so. A copy made before the
        // program watches the clipboard is not seen: another one follows.
        QString copied;
        QVERIFY(waitUntil([&] {
            copied = QStringLiteral("from wl-copy %1").arg(texts().size());
            wlCopy(copied);
            return waitUntil([&] { return texts().value(0) == copied; }, 3000) &&
                   historyIn(historyPath()).first().sourceApp == QLatin1String("Field Test");
        }));

        if (!hasVirtualKeyboard())
            return;
        typeInto(*field, QStringLiteral("x")); // the field copies
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), QStringLiteral("from the Qt field"), 30000);
        QCOMPARE(historyIn(historyPath()).first().sourceApp, QStringLiteral("Field Test"));
        field->kill();
        field->waitForFinished();
    }

    void quickCopiesAreAllRecorded()
    {
        QStringList expected;
        for (int i = 0; i < 20; ++i) {
            const QString text = QStringLiteral("quick copy %1").arg(i);
            wlCopy(text);
            expected.prepend(text);
            QTest::qWait(50);
        }
        QTRY_COMPARE_WITH_TIMEOUT(texts().mid(0, 20), expected, 30000);
    }

    void secretsAreNotRecorded()
    {
        if (!hasVirtualKeyboard())
            QSKIP("a Qt program copies only in answer to input, and nothing can type here");
        const QStringList before = texts();
        auto field = openField(
            {QStringLiteral("--copy"), QStringLiteral("hunter2"), QStringLiteral("--secret")});
        typeInto(*field, QStringLiteral("x"));
        QVERIFY(waitUntil([&] { return log().contains("marked as secret"); }));
        field->kill();
        field->waitForFinished();
        QCOMPARE(texts(), before);
    }

    void ownWritesAreNotRecorded()
    {
        // A copy outlives the program that made it, as our own write.
        QProcess owner;
        owner.start(QStringLiteral("wl-copy"),
                    {QStringLiteral("--foreground"), QStringLiteral("outlives wl-copy")});
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), QStringLiteral("outlives wl-copy"), 30000);
        const QByteArray recorded = readFile(historyPath());
        owner.kill();
        owner.waitForFinished();
        QVERIFY(waitUntil([&] {
            return run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")}) ==
                   "outlives wl-copy";
        }));
        QCOMPARE(readFile(historyPath()), recorded);

        const QStringList before = texts();
        // A paste puts the entry on the clipboard as our own write.
        QCOMPARE(gapplicationAction(QStringLiteral("paste-previous")), 0);
        QVERIFY(waitUntil([&] {
            return run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")}) ==
                   before.value(1).toUtf8();
        }));
        wlCopy(QStringLiteral("after our own write"));
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), QStringLiteral("after our own write"), 30000);
        QCOMPARE(texts().mid(1), before);
        QCOMPARE(historyIn(historyPath()).at(2).copyCount, 1);
    }

    // KDE's shortcut service holds our three shortcuts, but for the one that
    // another program took first; pressing Ctrl+Alt+V shows the window, focused.
    void registersShortcutsWithKde()
    {
        if (hasVirtualKeyboard())
            QSKIP("only KDE has a shortcut service for clients");
        const auto keysOf = [](const QString &action) {
            return callKGlobalAccel(
                QStringLiteral("shortcut"),
                {QStringLiteral("array:string:io.quillet.Quillet,%1,Quillet,-").arg(action)});
        };
        QVERIFY(waitUntil([&] { return log().contains("Ctrl+Alt+2"); }));
        QVERIFY(keysOf(QStringLiteral("toggle-history")).contains("int32 201326678"));
        QVERIFY(keysOf(QStringLiteral("paste-latest")).contains("int32 201326641"));
        QVERIFY(log().contains("Quillet: failed to register Ctrl+Alt+2 hotkey: 1"));
        QCOMPARE(log().count("failed to register"), 1);

        KWinActivations activations;
        QVERIFY(activations.start(m_home.filePath(QStringLiteral("activations.js"))));
        dbusSend({QStringLiteral("--dest=org.kde.kglobalaccel"),
                  QStringLiteral("/component/io_quillet_Quillet"),
                  QStringLiteral("org.kde.kglobalaccel.Component.invokeShortcut"),
                  QStringLiteral("string:toggle-history")});
        QVERIFY(
            waitUntil([&] { return activations.captions.contains(QStringLiteral("Quillet")); }));
    }

    // The paste action types on a keyboard of our own: Ctrl+V into a Qt
    // field, also for an entry picked from `quillet list`, and Ctrl+Shift+V
    // into a terminal.
    void pastesIntoAFieldAndATerminal()
    {
        if (!hasVirtualKeyboard())
            QSKIP("KWin gives ordinary clients no virtual keyboard");
        const QString latest = texts().value(0);
        auto field = openField();
        QVERIFY(field->waitForStarted());
        // Until the new window has the focus.
        QVERIFY(waitUntil([&] {
            return gapplicationAction(QStringLiteral("paste-latest")) == 0 &&
                   waitUntil([&] { return field->canReadLine(); }, 2000);
        }));
        QVERIFY(field->readLine().contains(latest.toUtf8()));

        // A picker's choice: quillet list | fuzzel --dmenu | quillet paste -
        const QString program = QStringLiteral(QUILLET_INSTALLED_PROGRAM);
        const QString chosen = texts().value(2);
        const QByteArray line = run(program, {QStringLiteral("list")}).split('\n').value(2);
        QVERIFY(line.endsWith('\t' + chosen.toUtf8()));
        int exitCode = -1;
        run(program, {QStringLiteral("paste"), QStringLiteral("-")}, &exitCode, line + '\n');
        QCOMPARE(exitCode, 0);
        QVERIFY(waitUntil([&] { return field->canReadLine(); }));
        QVERIFY(field->readLine().contains((latest + chosen).toUtf8()));
        field->kill();
        field->waitForFinished();

        const QString file = m_home.filePath(QStringLiteral("typed"));
        QProcess terminal;
        terminal.start(QStringLiteral("foot"),
                       {QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("stty -icanon -echo; exec cat > '%1'").arg(file)});
        // What is typed reaches the file at once when the terminal has the focus.
        QVERIFY(waitUntil([&] {
            run(QStringLiteral("wtype"), {QStringLiteral(".")});
            return waitUntil([&] { return !readFile(file).isEmpty(); }, 2000);
        }));
        const QByteArray expected = readFile(file) + latest.toUtf8();
        QCOMPARE(gapplicationAction(QStringLiteral("paste-latest")), 0);
        QVERIFY(waitUntil([&] { return readFile(file).size() >= expected.size(); }));
        QCOMPARE(readFile(file), expected);
        terminal.kill();
        terminal.waitForFinished();
    }

    // Logging out ends the program with SIGTERM: it leaves nothing behind in
    // the compositor.
    void endsCleanlyOnTerminate()
    {
        const auto kwinScriptLoaded = [] {
            return dbusSend({QStringLiteral("--dest=org.kde.KWin"), QStringLiteral("/Scripting"),
                             QStringLiteral("org.kde.kwin.Scripting.isScriptLoaded"),
                             QStringLiteral("string:quillet-active-window")})
                .contains("boolean true");
        };
        const bool onKWin = !hasVirtualKeyboard();
        if (onKWin)
            QVERIFY(kwinScriptLoaded());
        m_quillet.terminate();
        QVERIFY(m_quillet.waitForFinished(30000));
        QCOMPARE(m_quillet.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_quillet.exitCode(), 0);
        if (onKWin)
            QVERIFY(!kwinScriptLoaded());
    }
};

QTEST_MAIN(TestWaylandProgram)
#include "tst_waylandprogram.moc"
