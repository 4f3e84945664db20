// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard monitor on the real desktop services, against a real X
// server, with other programs copying as a user would.
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "historycodec.h"
#include "support/capturerig.h"
#include "systemclock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

using namespace quillet;

namespace {

// Puts `bytes` on the CLIPBOARD selection the way a user's `xclip` would.
// xclip keeps serving the selection in the background until it loses it.
void xclipCopy(const QByteArray &bytes, const QString &target = QString())
{
    QProcess xclip;
    QStringList arguments{QStringLiteral("-selection"), QStringLiteral("clipboard"),
                          QStringLiteral("-i")};
    if (!target.isEmpty())
        arguments << QStringLiteral("-t") << target;
    xclip.start(QStringLiteral("xclip"), arguments);
    QVERIFY(xclip.waitForStarted());
    xclip.write(bytes);
    xclip.closeWriteChannel();
    QVERIFY(xclip.waitForFinished(-1));
}

void run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(-1));
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

class TestX11Clipboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_editor;
    platform::SystemClock m_clock;
    platform::DesktopServices m_services;
    std::unique_ptr<history::ClipboardStore> m_store;
    std::unique_ptr<capture::ClipboardMonitor> m_monitor;

    // Waits until the X server has told us of a clipboard change not yet
    // polled, then runs one poll as the timer would.
    void pollAfterChange()
    {
        QTRY_VERIFY_WITH_TIMEOUT(
            m_services.clipboard->changeCount() != m_monitor->lastChangeCount(), 30000);
        m_monitor->poll();
    }

    QStringList texts() const { return tests::textsOf(*m_store); }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        QDir().mkpath(m_home.filePath(QStringLiteral("applications")));
        QFile entry(m_home.filePath(QStringLiteral("applications/quillet-test-notes.desktop")));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Notes Test\n"
                    "Name[de]=Notizen\nExec=xmessage\nStartupWMClass=Xmessage\n");
        entry.close();

        // A focused window of another program, whose desktop entry we know.
        m_editor.start(QStringLiteral("xmessage"), {QStringLiteral("Notes")});
        QVERIFY(m_editor.waitForStarted());
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--class"),
             QStringLiteral("Xmessage"), QStringLiteral("windowactivate"),
             QStringLiteral("--sync")});

        m_services = platform::DesktopServices::create();
        xclipCopy("on the clipboard before start");
        QTRY_VERIFY_WITH_TIMEOUT(m_services.clipboard->changeCount() > 0, 30000);
        m_store = std::make_unique<history::ClipboardStore>(m_clock);
        m_monitor = std::make_unique<capture::ClipboardMonitor>(*m_store, *m_services.clipboard,
                                                                *m_services.frontmostApplication,
                                                                *m_services.scheduler);
    }

    void cleanupTestCase()
    {
        m_monitor.reset();
        m_editor.kill();
        m_editor.waitForFinished();
    }

    void capturesCopiesOfOtherProgramsWithTheirName()
    {
        m_monitor->poll();
        QVERIFY(m_store->items().isEmpty());

        xclipCopy("hello from xclip");
        pollAfterChange();
        QCOMPARE(texts(), QStringList{"hello from xclip"});
        QCOMPARE(m_store->items().first().sourceApp, QStringLiteral("Notes Test"));

        xclipCopy("hello from xclip");
        pollAfterChange();
        QCOMPARE(m_store->items().size(), 1);
        QCOMPARE(m_store->items().first().copyCount, 2);

        const auto onDisk = history::HistoryCodec::decode([&] {
            QFile file(m_store->filePath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }());
        QVERIFY(onDisk);
        QCOMPARE(onDisk->first().copyCount, 2);
    }

    void ignoresImagesAndPausedCopies()
    {
        const qsizetype before = m_store->items().size();
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString png = m_home.filePath(QStringLiteral("image.png"));
        QVERIFY(image.save(png));
        QFile file(png);
        QVERIFY(file.open(QIODevice::ReadOnly));
        xclipCopy(file.readAll(), QStringLiteral("image/png"));
        pollAfterChange();
        QCOMPARE(m_store->items().size(), before);

        m_store->setPaused(true);
        xclipCopy("copied while paused");
        pollAfterChange();
        m_store->setPaused(false);
        m_monitor->poll();
        QVERIFY(!texts().contains(QStringLiteral("copied while paused")));
    }

    void ownWritesAreNotCaptured()
    {
        xclipCopy("first");
        pollAfterChange();
        xclipCopy("second");
        pollAfterChange();
        const history::ClipboardItem first = m_store->items().at(1);
        QCOMPARE(first.text, QStringLiteral("first"));

        m_monitor->copyToClipboard(first, false);
        QCOMPARE(m_monitor->lastChangeCount(), m_services.clipboard->changeCount());
        // Another program reads what we wrote: by then the X server has sent
        // us every event about our own ownership.
        QProcess reader;
        reader.start(QStringLiteral("xclip"), {QStringLiteral("-selection"),
                                               QStringLiteral("clipboard"), QStringLiteral("-o")});
        QTRY_VERIFY_WITH_TIMEOUT(reader.state() == QProcess::NotRunning, 30000);
        QCOMPARE(reader.readAllStandardOutput(), QByteArray("first"));
        QCoreApplication::processEvents();
        m_monitor->poll();
        QCOMPARE(texts().first(), QStringLiteral("second"));
        QCOMPARE(m_store->items().at(1).copyCount, 1);

        xclipCopy("right after ours");
        pollAfterChange();
        QCOMPARE(texts().first(), QStringLiteral("right after ours"));
    }

    void survivesHostileClipboardContents()
    {
        xclipCopy("\xFF\xFE not UTF-8 \xC0\xAF", QStringLiteral("UTF8_STRING"));
        pollAfterChange();
        QVERIFY(texts().first().contains(QStringLiteral("not UTF-8")));

        xclipCopy(QByteArray("nul\0inside", 10));
        pollAfterChange();
        QVERIFY(texts().first().startsWith(QStringLiteral("nul")));

        const QByteArray huge(50 * 1024 * 1024, 'x');
        xclipCopy(huge);
        pollAfterChange();
        QCOMPARE(texts().first().size(), history::ClipboardStore::textLimit);
    }

    void anOwnerThatNeverAnswersCostsABoundedWait()
    {
        // A second client takes the clipboard and never reads its events.
        xcb_connection_t *silent = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(silent));
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(silent)).data;
        const xcb_window_t window = xcb_generate_id(silent);
        xcb_create_window(silent, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const char name[] = "CLIPBOARD";
        auto *atom = xcb_intern_atom_reply(
            silent, xcb_intern_atom(silent, 0, sizeof name - 1, name), nullptr);
        xcb_set_selection_owner(silent, window, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        xcb_flush(silent);

        const qsizetype before = m_store->items().size();
        QTRY_VERIFY_WITH_TIMEOUT(
            m_services.clipboard->changeCount() != m_monitor->lastChangeCount(), 30000);
        QElapsedTimer elapsed;
        elapsed.start();
        m_monitor->poll();
        qInfo("poll with an owner that never answers returned after %lld ms", elapsed.elapsed());
        QCOMPARE(m_store->items().size(), before);
        xcb_disconnect(silent);

        // The silent owner's exit and the next copy are two changes that may
        // reach us in one poll interval or in two.
        xclipCopy("the owner is gone");
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_monitor->poll(), texts().first() == QStringLiteral("the owner is gone")), 30000);
    }
};

QTEST_MAIN(TestX11Clipboard)
#include "tst_x11clipboard.moc"
