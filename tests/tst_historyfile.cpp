// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardstore.h"
#include "fakes/fakeclock.h"
#include "historycodec.h"
#include "support/files.h"
#include "support/stderrcapture.h"
#include "support/unprivilegedscope.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

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
        QCOMPARE(readFile(kept), damaged);
        QCOMPARE(modeOf(kept), 0600u);
        QCOMPARE(HistoryCodec::decode(readFile(path)).value().size(), 1);
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().contains(kept));

        store.capture(QStringLiteral("newer"), std::nullopt);
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
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0500) == 0);
        {
            StderrCapture log;
            m_clock.advance(1);
            store.capture(QStringLiteral("only in memory"), std::nullopt);
            store.remove(store.items().last());
            QCOMPARE(store.items().size(), 1);
            QCOMPARE(log.lines().size(), 2);
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
        const auto onDisk = HistoryCodec::decode(readFile(path)).value();
        QCOMPARE(onDisk.size(), 2);
        QCOMPARE(onDisk.last().text, QStringLiteral("only in memory"));
        QCOMPARE(modeOf(path), 0600u);
    }

    // A saving process killed at any moment leaves a history that reads,
    // and never a file that others can read.
    void survivesBeingKilledWhileSaving()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Quillet"));
        const QString path = folder + QStringLiteral("/history.json");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());

        qsizetype lastCount = 0;
        for (int round = 0; round < 40; ++round) {
            QProcess saver;
            saver.setProcessEnvironment(environment);
            saver.start(QStringLiteral(QUILLET_SAVE_LOOP), {QString::number(round)});
            QVERIFY(saver.waitForStarted());
            const int savesBeforeKill = QRandomGenerator::global()->bounded(1, 6);
            for (int saves = 0; saves < savesBeforeKill;) {
                QVERIFY(saver.waitForReadyRead());
                while (saver.canReadLine() && saves < savesBeforeKill) {
                    saver.readLine();
                    ++saves;
                }
            }
            saver.kill();
            QVERIFY(saver.waitForFinished());

            const auto items = HistoryCodec::decode(readFile(path));
            QVERIFY2(items, qPrintable(QStringLiteral("unreadable after round %1").arg(round)));
            QVERIFY(items->size() >= lastCount);
            lastCount = items->size();
            const QDir dir(folder);
            for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
                QCOMPARE(modeOf(dir.filePath(name)), 0600u);
        }
    }
};

QTEST_GUILESS_MAIN(TestHistoryFile)
#include "tst_historyfile.moc"
