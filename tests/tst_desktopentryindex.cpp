// SPDX-License-Identifier: GPL-3.0-or-later
#include "pasteshortcut.h"
#include "common/desktopentryindex.h"
#include "support/files.h"

#include <QTemporaryDir>
#include <QTest>

using quillet::platform::DesktopEntryIndex;
using quillet::platform::PasteShortcut;
using quillet::tests::writeFile;

class TestDesktopEntryIndex : public QObject
{
    Q_OBJECT

    QTemporaryDir m_user;
    QTemporaryDir m_system;

    QStringList folders() const { return {m_user.path(), m_system.path()}; }

private Q_SLOTS:
    void initTestCase()
    {
        writeFile(m_system.filePath(QStringLiteral("org.example.Notes.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Notes\nName[de]=Notizen\n"
                  "Name[sr@latin]=Beleske\nExec=notes\n"
                  "[Desktop Action New]\nName=New Note\nStartupWMClass=wrong\n");
        writeFile(m_system.filePath(QStringLiteral("browser.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Web\\sBrowser\n"
                  "StartupWMClass=Navigator\n");
        writeFile(m_system.filePath(QStringLiteral("kde/kate.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Kate\n");
        writeFile(m_system.filePath(QStringLiteral("shell.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Shell\nStartupWMClass=Shell-Term\n"
                  "Categories=GTK;System;TerminalEmulator;\n");
        writeFile(m_system.filePath(QStringLiteral("debian-xterm.desktop")),
                  "[Desktop Entry]\nType=Application\nName=XTerm\nStartupWMClass=XTerm\n"
                  "Categories=System;TerminalEmulator;\n");
        writeFile(m_system.filePath(QStringLiteral("removed.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Removed\nStartupWMClass=Removed\n");
        // The user's entries hide the system ones with the same id.
        writeFile(m_user.filePath(QStringLiteral("browser.desktop")),
                  "[Desktop Entry]\nType=Application\nName=My Browser\n"
                  "StartupWMClass=Navigator\n");
        writeFile(m_user.filePath(QStringLiteral("removed.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Removed\nHidden=true\n");
    }

    void findsTheNameAWindowShouldShow_data()
    {
        QTest::addColumn<QStringList>("row"); // locale, instance, class, the name shown
        QTest::newRow("user's entry first")
            << QStringList{"C", "navigator", "Navigator", "My Browser"};
        QTest::newRow("by file id, any case")
            << QStringList{"en_US.UTF-8", "notes", "org.example.notes", "Notes"};
        QTest::newRow("translated")
            << QStringList{"de_DE.UTF-8", "", "org.example.Notes", "Notizen"};
        QTest::newRow("encoding, modifier")
            << QStringList{"sr_RS.UTF-8@latin", "", "org.example.Notes", "Beleske"};
        QTest::newRow("id from a sub-folder") << QStringList{"C", "kate", "kde-kate", "Kate"};
        QTest::newRow("actions are not the entry") << QStringList{"C", "", "wrong", ""};
        QTest::newRow("hidden by the user") << QStringList{"C", "removed", "Removed", ""};
    }
    void findsTheNameAWindowShouldShow()
    {
        QFETCH(QStringList, row);
        DesktopEntryIndex index(folders(), row[0]);
        QCOMPARE(index.nameFor(row[1], row[2]).value_or(QString()), row[3]);
    }

    // Terminals by their entry, xterm-likes by name whatever their entry
    // says, well-known terminals without one, everything else by Ctrl+V.
    void choosesThePasteShortcutOfTheWindow()
    {
        DesktopEntryIndex index(folders(), QStringLiteral("C"));
        auto shortcutOf = [&](const QString &instance, const QString &wmClass) {
            return quillet::platform::pasteShortcutFor(instance, wmClass,
                                                       index.isTerminalEmulator(instance, wmClass));
        };
        QCOMPARE(shortcutOf(QStringLiteral("shell"), QStringLiteral("Shell-Term")),
                 PasteShortcut::ControlShiftV);
        QCOMPARE(shortcutOf(QStringLiteral("xterm"), QStringLiteral("XTerm")),
                 PasteShortcut::ShiftInsert);
        QCOMPARE(shortcutOf(QStringLiteral("foot"), QStringLiteral("foot")),
                 PasteShortcut::ControlShiftV);
        QCOMPARE(shortcutOf(QStringLiteral("kate"), QStringLiteral("kde-kate")),
                 PasteShortcut::ControlV);
    }

    // A folder made after the start is watched too; lookups between changes
    // read nothing.
    void readsTheFoldersAgainOnlyAfterAChange()
    {
        QTemporaryDir dataHome;
        const QString applications = dataHome.filePath(QStringLiteral("new/applications"));
        DesktopEntryIndex index({applications, m_system.path()}, QStringLiteral("C"));
        QVERIFY(!index.nameFor(QStringLiteral("late"), QStringLiteral("Late")));
        QVERIFY(index.nameFor(QStringLiteral("kate"), QStringLiteral("kde-kate")));
        QCOMPARE(index.readCount(), 1);
        QVERIFY(writeFile(applications + QStringLiteral("/late.desktop"),
                          "[Desktop Entry]\nType=Application\nName=Installed Later\n"));
        QTRY_COMPARE_WITH_TIMEOUT(
            index.nameFor(QStringLiteral("late"), QStringLiteral("Late")).value_or(QString()),
            QStringLiteral("Installed Later"), 30000);
        const int reads = index.readCount();
        for (int i = 0; i < 100; ++i)
            index.nameFor(QStringLiteral("x"), QStringLiteral("X"));
        QCOMPARE(index.readCount(), reads);
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntryIndex)
#include "tst_desktopentryindex.moc"
