// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"
#include "support/unprivilegedscope.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using quillet::app::SingleInstance;
using quillet::tests::UnprivilegedScope;

namespace {

// A process of another user that listens on `path` and reports through
// `reportFd` whatever a client sends it.
pid_t listenAsAnotherUser(const QString &path, int reportFd)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), encoded.size());
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::setgid(UnprivilegedScope::nobody) != 0 || ::setuid(UnprivilegedScope::nobody) != 0 ||
        ::listen(listener, 8) != 0)
        ::_exit(1);
    for (;;) {
        const int client = ::accept(listener, nullptr, nullptr);
        char buffer[256];
        const ssize_t got = ::read(client, buffer, sizeof buffer);
        if (got > 0)
            [[maybe_unused]] const ssize_t written = ::write(reportFd, buffer, size_t(got));
        ::close(client);
    }
}

} // namespace

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
        QFile::setPermissions(mine.path(), QFile::ReadOwner | QFile::WriteOwner |
                                               QFile::ExeOwner | QFile::ExeGroup);
        QCOMPARE(SingleInstance::privateFolder(mine.path(), fallback), fallback);
        if (::geteuid() == 0) {
            QTemporaryDir theirs;
            QVERIFY(::chown(QFile::encodeName(theirs.path()).constData(),
                            UnprivilegedScope::nobody, UnprivilegedScope::nobody) == 0);
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

    void neverTalksToAnotherUsersSocket()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to play another user");
        QTemporaryDir folder;
        QLockFile held(folder.filePath(QStringLiteral("quillet.lock")));
        QVERIFY(held.tryLock(0));
        int report[2];
        QVERIFY(::pipe(report) == 0);
        const pid_t listener =
            listenAsAnotherUser(folder.filePath(QStringLiteral("quillet.socket")), report[1]);
        ::close(report[1]);
        const SingleInstance::Claim claim =
            SingleInstance(folder.path(), folder.path(), QStringLiteral("x11::1")).claim();
        ::kill(listener, SIGKILL);
        ::waitpid(listener, nullptr, 0);
        char buffer[64];
        QCOMPARE(::read(report[0], buffer, sizeof buffer), ssize_t(0));
        ::close(report[0]);
        QCOMPARE(claim, SingleInstance::Claim::Failed);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
