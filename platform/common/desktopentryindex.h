// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillet::platform {

// The display names of the installed applications, from their desktop entries
// (freedesktop.org Desktop Entry files in the "applications" folders of the
// XDG data directories). The folders are read on the first look-up and again
// only after one of them has changed.
class DesktopEntryIndex final
{
public:
    // `applicationFolders` in order of precedence; `localeName` such as
    // "de_DE" or "sr_RS@latin" picks the Name[...] translation.
    DesktopEntryIndex(QStringList applicationFolders, QString localeName);
    // The desktop's folders and the user's locale.
    DesktopEntryIndex();

    // The localized Name of the entry whose StartupWMClass matches the
    // window's WM_CLASS, else of the entry whose desktop file id matches it.
    std::optional<QString> nameFor(const QString &wmInstance, const QString &wmClass);
    // Whether that entry lists the TerminalEmulator category; none when no
    // entry matches.
    std::optional<bool> isTerminalEmulator(const QString &wmInstance, const QString &wmClass);

    int readCount() const { return m_readCount; }

private:
    struct Entry
    {
        QString name;
        bool terminalEmulator = false;
    };
    const Entry *entryFor(const QString &wmInstance, const QString &wmClass);
    void readIfStale();
    void readFolder(const QString &folder, const QString &idPrefix, int depth);
    void readEntry(const QString &path, const QString &id);
    void watchNearestExistingParent(const QString &folder);
    QStringList localeKeys() const;

    QStringList m_folders;
    QString m_localeName;
    QFileSystemWatcher m_watcher;
    bool m_stale = true;
    int m_readCount = 0;
    QHash<QString, Entry> m_byWmClass;
    QHash<QString, Entry> m_byWmClassFolded;
    QHash<QString, Entry> m_byId; // ids in lower case
    QSet<QString> m_seenIds;
};

} // namespace quillet::platform
