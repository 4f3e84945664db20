// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::tests {

// Watches folders (and the folders made in them) and looks at each file the
// moment it is created or moved in, while the test's event loop runs: a file
// made readable by others and only later restricted is caught at creation.
class CreatedFiles final
{
public:
    explicit CreatedFiles(const QStringList &folders)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_notifier(m_fd, QSocketNotifier::Read)
    {
        for (const QString &folder : folders)
            watch(folder, false);
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { update(); });
    }
    ~CreatedFiles() { ::close(m_fd); }

    // Path → mode bits as first seen.
    const QHash<QString, mode_t> &modes() const { return m_modes; }

    // Looks at what was created since the event loop last ran.
    void update()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t size; (size = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + size;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                at += sizeof(inotify_event) + event->len;
                if (event->len != 0 && m_folders.contains(event->wd))
                    look(m_folders.value(event->wd) + u'/' + QFile::decodeName(event->name));
            }
        }
    }

    // The paths first seen with any permission for group or others.
    QStringList openToOthers() const
    {
        QStringList open;
        for (auto it = m_modes.cbegin(); it != m_modes.cend(); ++it) {
            if (it.value() & (S_IRWXG | S_IRWXO))
                open << QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value() & 0777, 0, 8);
        }
        return open;
    }

private:
    void watch(const QString &folder, bool isNew)
    {
        const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                                           IN_CREATE | IN_MOVED_TO);
        if (wd < 0)
            return;
        m_folders.insert(wd, folder);
        if (!isNew)
            return;
        // What a new folder got before its watch began.
        const auto entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                    QDir::NoDotAndDotDot);
        for (const QString &name : entries)
            look(folder + u'/' + name);
    }

    void look(const QString &path)
    {
        struct stat status
        {};
        if (m_modes.contains(path) || ::lstat(QFile::encodeName(path).constData(), &status) != 0)
            return;
        m_modes.insert(path, status.st_mode);
        if (S_ISDIR(status.st_mode))
            watch(path, true);
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QHash<int, QString> m_folders;
    QHash<QString, mode_t> m_modes;
};

} // namespace quillet::tests
