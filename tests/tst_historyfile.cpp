// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardstore.h"
#include "fakes/fakeclock.h"
#include "historycodec.h"
#include "support/files.h"
#include "support/stderrcapture.h"
#include "support/unprivilegedscope.h"
#include "support/waituntil.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using quillet::history::ClipboardItem;
using quillet::history::ClipboardStore;
using quillet::history::HistoryCodec;
using namespace quillet::tests;

class TestHistoryFile : public QObject
{
    Q_OBJECT

    FakeClock m_clock;

private Q_SLOTS:
    void keepsAnUnreadableFileBesideTheNewOne_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::newRow("truncated") << QByteArray("[\n  {\n    \"copyCount\" : 2,\n");
        QTest::newRow("one entry without text")
            << QByteArray(R"([{"id":"0F5A3C1E-8B2D-4E6F-9A7B-1C2D3E4F5A6B","copyCount":1,)"
                          R"("firstCopiedAt":1,"lastCopiedAt":2}])");
        QTest::newRow("empty file") << QByteArray();
    }
    void keepsAnUnreadableFileBesideTheNewOne()
    {
        QFETCH(QByteArray, damaged);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillet/history.json"));
        const QString kept = path + QStringLiteral(".corrupt");
        QVERIFY(writeFile(path, damaged) && writeFile(kept, "an older copy"));

        StderrCapture log;
        ClipboardStore store(m_clock, path);
        QVERIFY(store.items().isEmpty());
        QCOMPARE(readFile(path), damaged); // nothing happens until a save
        QVERIFY(log.lines().isEmpty());

        store.capture(QStringLiteral("new"), std::nullopt);
        QVERIFY(store.waitUntilSaved());
        QCOMPARE(readFile(kept), damaged);
        QCOMPARE(modeOf(kept), 0600u);
        QCOMPARE(HistoryCodec::decode(readFile(path)).value().size(), 1);
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().contains(kept));

        store.capture(QStringLiteral("newer"), std::nullopt);
        QVERIFY(store.waitUntilSaved());
        QCOMPARE(readFile(kept), damaged); // kept once, not overwritten by later saves
        QCOMPARE(log.lines().size(), 1);
    }

    void aMissingFileIsNotUnreadable()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a/b/Quillet/history.json"));
        StderrCapture log;
        ClipboardStore store(m_clock, path);
        store.capture(QStringLiteral("first"), std::nullopt);
        QVERIFY(store.waitUntilSaved());
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(path + QStringLiteral(".corrupt")));
        QVERIFY(log.lines().isEmpty());
        // Every folder made for the data is the user's alone.
        for (const char *folder : {"a", "a/b", "a/b/Quillet"})
            QCOMPARE(modeOf(dir.filePath(QString::fromLatin1(folder))), 0700u);
    }

    void failedSavesAreLoggedAndMemoryStaysAuthoritative()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Quillet"));
        const QString path = folder + QStringLiteral("/history.json");
        UnprivilegedScope unprivileged(dir.path());
        if (!unprivileged.enforced())
            QSKIP("file permissions cannot be enforced here");

        ClipboardStore store(m_clock, path);
        store.capture(QStringLiteral("saved"), std::nullopt);
        QVERIFY(store.waitUntilSaved());
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0500) == 0);
        {
            StderrCapture log;
            // A storm: saves fold together, each failed one says so once.
            for (int copy = 0; copy < 10; ++copy) {
                m_clock.advance(1);
                store.capture(QStringLiteral("only in memory %1").arg(copy), std::nullopt);
            }
            QVERIFY(store.waitUntilSaved());
            const qsizetype failedInStorm = log.lines().size();
            QVERIFY(failedInStorm >= 1 && failedInStorm <= 10);
            store.remove(store.items().last());
            QVERIFY(store.waitUntilSaved());
            QCOMPARE(store.items().size(), 10);
            QCOMPARE(log.lines().size(), failedInStorm + 1);
            for (const QString &line : log.lines())
                QVERIFY2(line.startsWith(
                             QStringLiteral("Quillet: failed to save clipboard history: ")) &&
                             line.contains(QStringLiteral("Permission denied")),
                         qPrintable(line));
        }
        QCOMPARE(HistoryCodec::decode(readFile(path)).value().size(), 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);

        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0700) == 0);
        m_clock.advance(1);
        store.capture(QStringLiteral("later"), std::nullopt);
        QVERIFY(store.waitUntilSaved());
        const auto onDisk = HistoryCodec::decode(readFile(path)).value();
        QCOMPARE(onDisk.size(), 11);
        QCOMPARE(onDisk.last().text, QStringLiteral("only in memory 0"));
        QCOMPARE(modeOf(path), 0600u);
    }

    // A full disk during a storm: every failed save says so, memory stays
    // authoritative, and once there is room the next save writes it all.
    void survivesAFullDiskDuringAStorm()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            QSKIP("a small file system of its own needs root");
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Quillet"));
        QVERIFY(QDir().mkpath(folder));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        QProcess saver;
        saver.setProcessEnvironment(environment);
        // The data folder is a 64 KB file system that only the saver sees;
        // this test reaches it through /proc/<pid>/root.
        saver.start(QStringLiteral("unshare"),
                    {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                     QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("mount -t tmpfs -o size=64k tmpfs '%1' && exec \"$0\" full")
                         .arg(folder),
                     QStringLiteral(QUILLET_SAVE_LOOP)});
        QVERIFY(saver.waitForStarted());
        const auto copies = [&] {
            while (saver.canReadLine() || saver.waitForReadyRead(30000)) {
                const QByteArray line = saver.readLine();
                if (line.startsWith("copied "))
                    return line.mid(7).trimmed().toInt();
            }
            return -1;
        };
        QVERIFY(copies() >= 0);
        const QString seen = QStringLiteral("/proc/%1/root%2").arg(saver.processId()).arg(folder);
        QVERIFY(writeFile(seen + QStringLiteral("/filler"), QByteArray(56 * 1024, 'x')));
        QByteArray log;
        while (!log.contains("No space left on device")) {
            QVERIFY(copies() >= 0);
            log += saver.readAllStandardError();
        }
        QVERIFY(QFile::remove(seen + QStringLiteral("/filler")));
        const int freedAt = copies();
        int last = freedAt;
        while (last >= 0 && last < freedAt + 5)
            last = copies();
        QVERIFY(last >= 0);
        // The copies so far, all of them, in the first save with room.
        QVERIFY(waitUntil([&] {
            const auto onDisk =
                HistoryCodec::decode(readFile(seen + QStringLiteral("/history.json")));
            return onDisk && onDisk->size() > last;
        }));
        saver.terminate();
        QVERIFY(saver.waitForFinished());
        log += saver.readAllStandardError();
        for (const QByteArray &line : log.split('\n')) {
            if (!line.isEmpty())
                QVERIFY2(line.startsWith("Quillet: failed to save clipboard history: could not "
                                         "write") &&
                             line.contains("No space left on device"),
                         line.constData());
        }
    }

    // A storm of copies on a large history, ended at a random moment: by
    // SIGKILL, the file always reads and holds every copy made more than a
    // second before; by SIGTERM, it holds every copy. Never a file that
    // others can read.
    void keepsCopiesWhenKilledOrEndedDuringAStorm()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Quillet"));
        const QString path = folder + QStringLiteral("/history.json");
        QList<ClipboardItem> large;
        for (int i = 0; i < 100; ++i)
            large.append(ClipboardItem(QString::number(i).leftJustified(100000, u'.'), std::nullopt,
                                       m_clock.now()));
        QVERIFY(writeFile(path, HistoryCodec::encode(large).value()));
        {
            // The store never waits for the disk: twenty copies are made
            // while the writer still saves the first of them.
            ClipboardStore store(m_clock, path);
            for (int copy = 0; copy < 20; ++copy) {
                m_clock.advance(1);
                store.capture(QStringLiteral("quick %1").arg(copy), std::nullopt);
            }
            QVERIFY(!store.waitUntilSaved(std::chrono::milliseconds(0)));
            QVERIFY(store.waitUntilSaved());
            QCOMPARE(HistoryCodec::decode(readFile(path)).value().size(), 120);
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());

        for (int round = 0; round < 12; ++round) {
            QProcess saver;
            saver.setProcessEnvironment(environment);
            saver.start(QStringLiteral(QUILLET_SAVE_LOOP), {QString::number(round)});
            QVERIFY(saver.waitForStarted());
            const int copiesBeforeEnd = QRandomGenerator::global()->bounded(1, 80);
            QElapsedTimer clock;
            clock.start();
            QList<qint64> copiedAt; // when each copy was known to be made
            while (copiedAt.size() < copiesBeforeEnd) {
                QVERIFY(saver.waitForReadyRead());
                while (saver.canReadLine() && copiedAt.size() < copiesBeforeEnd) {
                    saver.readLine();
                    copiedAt << clock.elapsed();
                }
            }
            const bool killed = round % 2 == 0;
            const qint64 endedAt = clock.elapsed();
            if (killed)
                saver.kill();
            else
                saver.terminate();
            QVERIFY(saver.waitForFinished());
            copiedAt += QList<qint64>(saver.readAllStandardOutput().count('\n'), endedAt);

            const auto items = HistoryCodec::decode(readFile(path));
            QVERIFY2(items, qPrintable(QStringLiteral("unreadable after round %1").arg(round)));
            QStringList texts;
            for (const ClipboardItem &item : *items)
                texts << item.text;
            for (qsizetype copy = 0; copy < copiedAt.size(); ++copy) {
                if (!killed || copiedAt[copy] < endedAt - 1000)
                    QVERIFY2(
                        texts.contains(QStringLiteral("copy %1-%2").arg(round).arg(copy)),
                        qPrintable(QStringLiteral("round %1 lost copy %2").arg(round).arg(copy)));
            }
            const QDir dir(folder);
            for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
                QCOMPARE(modeOf(dir.filePath(name)), 0600u);
        }
    }
};

QTEST_GUILESS_MAIN(TestHistoryFile)
#include "tst_historyfile.moc"
