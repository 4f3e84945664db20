// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"
#include "support/unprivilegedscope.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using quillet::app::SingleInstance;
using quillet::tests::UnprivilegedScope;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void usesOnlyAFolderNoOneElseCanWriteTo()
    {
        QTemporaryDir mine;
        QFile::setPermissions(mine.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString fallback = QStringLiteral("/fallback");
        QCOMPARE(SingleInstance::privateFolder(mine.path(), fallback), mine.path());
        QCOMPARE(SingleInstance::privateFolder(QString(), fallback), fallback);
        QCOMPARE(SingleInstance::privateFolder(QStringLiteral("run/user"), fallback), fallback);
        QCOMPARE(SingleInstance::privateFolder(QStringLiteral("/tmp"), fallback), fallback);
        QFile::setPermissions(mine.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ExeGroup);
        QCOMPARE(SingleInstance::privateFolder(mine.path(), fallback), fallback);
        if (::geteuid() == 0) {
            QTemporaryDir theirs;
            QVERIFY(::chown(QFile::encodeName(theirs.path()).constData(), UnprivilegedScope::nobody,
                            UnprivilegedScope::nobody) == 0);
            QFile::setPermissions(theirs.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(SingleInstance::privateFolder(theirs.path(), fallback), fallback);
        }
    }

    void aLaterStartOnTheSameDisplayShowsTheFirstOnly()
    {
        QTemporaryDir folder;
        SingleInstance first(folder.path(), folder.path(), QStringLiteral("x11::1"));
        QCOMPARE(first.claim(), SingleInstance::Claim::Primary);
        QSignalSpy shows(&first, &SingleInstance::showRequested);

        // The answers need the first one's event loop, as in two processes.
        const auto claimElsewhere = [&](const QString &display) {
            SingleInstance::Claim claim = SingleInstance::Claim::Primary;
            QThread asker;
            QObject::connect(&asker, &QThread::started, [&] {
                claim = SingleInstance(folder.path(), folder.path(), display).claim();
                asker.quit();
            });
            asker.start();
            [&] { QTRY_VERIFY_WITH_TIMEOUT(asker.isFinished(), 30000); }();
            return claim;
        };
        QCOMPARE(claimElsewhere(QStringLiteral("x11::1")), SingleInstance::Claim::Forwarded);
        QCOMPARE(shows.count(), 1);
        const SingleInstance::Claim second = claimElsewhere(QStringLiteral("x11::2"));
        QCOMPARE(second, SingleInstance::Claim::Elsewhere);
        QCOMPARE(shows.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
