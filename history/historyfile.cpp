// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyfile.h"

#include "appidentity.h"
#include "historycodec.h"
#include "log.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::history {

namespace {

const QString temporaryPrefix = QStringLiteral(".history.json.tmp-");

QString systemError(const QString &what, const QString &path, int error)
{
    return QStringLiteral("%1 %2: %3 (errno %4)")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(error)))
        .arg(error);
}

class FileDescriptor final
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// Replaces `path` with `bytes` in one step. The temporary file is made by
// mkstemp(), which creates it with mode 0600, so the content is owner-only
// from the first byte; it is flushed to disk before the rename, and the
// directory after it, so that a crash leaves either the old or the new file.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    const QFileInfo target(path);
    const QString directory = target.absolutePath();
    QByteArray pattern = QFile::encodeName(directory + QLatin1Char('/') + temporaryPrefix +
                                           QStringLiteral("XXXXXX"));
    FileDescriptor file(::mkstemp(pattern.data()));
    const QString temporaryPath = QFile::decodeName(pattern);
    if (file.get() < 0) {
        *error =
            systemError(QStringLiteral("could not create a temporary file in"), directory, errno);
        return false;
    }
    auto fail = [&](const QString &what) {
        const int saved = errno;
        ::unlink(pattern.constData());
        *error = systemError(what, temporaryPath, saved);
        return false;
    };
    if (::fchmod(file.get(), S_IRUSR | S_IWUSR) != 0)
        return fail(QStringLiteral("could not set the permissions of"));
    if (!writeAll(file.get(), bytes))
        return fail(QStringLiteral("could not write"));
    if (::fsync(file.get()) != 0)
        return fail(QStringLiteral("could not flush"));
    if (::close(file.release()) != 0)
        return fail(QStringLiteral("could not close"));
    if (::rename(pattern.constData(), QFile::encodeName(path).constData()) != 0) {
        const int saved = errno;
        ::unlink(pattern.constData());
        *error = systemError(QStringLiteral("could not replace"), path, saved);
        return false;
    }
    FileDescriptor dir(::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return true;
}

} // namespace

HistoryFile::HistoryFile(QString path) : m_path(std::move(path)) {}

QString HistoryFile::defaultDirectory()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base)) {
        const QString home = QDir::homePath();
        if (home.isEmpty() || !QDir::isAbsolutePath(home))
            return {};
        base = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(base + QLatin1Char('/') + appName);
}

QString HistoryFile::defaultPath()
{
    const QString directory = defaultDirectory();
    return directory.isEmpty() ? QString() : directory + QStringLiteral("/history.json");
}

bool HistoryFile::makePrivateDirectory(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists() || path.isEmpty())
        return false;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath() && !makePrivateDirectory(parent))
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), S_IRWXU) == 0 || errno == EEXIST;
}

std::optional<QList<ClipboardItem>> HistoryFile::load()
{
    m_unreadable = Unreadable::No;
    m_unreadableBytes.clear();
    if (m_path.isEmpty())
        return std::nullopt;
    removeStaleTemporaryFiles();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.exists())
            m_unreadable = Unreadable::WithoutBytes;
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_unreadable = Unreadable::WithoutBytes;
        return std::nullopt;
    }
    auto items = HistoryCodec::decode(bytes);
    if (!items) {
        m_unreadable = Unreadable::WithBytes;
        m_unreadableBytes = std::move(bytes);
    }
    return items;
}

bool HistoryFile::save(const QList<ClipboardItem> &items)
{
    QString error;
    auto fail = [&] {
        platform::logLine(QStringLiteral("failed to save clipboard history: ") + error);
        return false;
    };
    if (m_path.isEmpty()) {
        error = QStringLiteral("no data directory is known for this user");
        return fail();
    }
    const QString directory = QFileInfo(m_path).absolutePath();
    if (!makePrivateDirectory(directory)) {
        error = QStringLiteral("could not create the directory ") + directory;
        return fail();
    }
    const std::optional<QByteArray> bytes = HistoryCodec::encode(items);
    if (!bytes) {
        error = QStringLiteral("a time stamp is not a finite number");
        return fail();
    }
    if (m_unreadable != Unreadable::No && !keepUnreadableFile(&error))
        return fail();
    if (!writeAtomically(m_path, *bytes, &error))
        return fail();
    // The file is already 0600 from its creation; setting it again by path
    // covers a file system that ignores fchmod on open files.
    if (::chmod(QFile::encodeName(m_path).constData(), S_IRUSR | S_IWUSR) != 0) {
        error = systemError(QStringLiteral("could not set the permissions of"), m_path, errno);
        return fail();
    }
    return true;
}

// Before the first save replaces a file that could not be read, its bytes go
// to "history.json.corrupt", so that nothing the user had is lost unseen.
bool HistoryFile::keepUnreadableFile(QString *error)
{
    const QString copyPath = corruptCopyPath();
    bool kept = false;
    if (m_unreadable == Unreadable::WithBytes) {
        kept = writeAtomically(copyPath, m_unreadableBytes, error);
    } else if (::rename(QFile::encodeName(m_path).constData(),
                        QFile::encodeName(copyPath).constData()) == 0) {
        ::chmod(QFile::encodeName(copyPath).constData(), S_IRUSR | S_IWUSR);
        kept = true;
    } else {
        *error = systemError(QStringLiteral("could not keep the unreadable file"), m_path, errno);
    }
    if (!kept)
        return false;
    platform::logLine(
        QStringLiteral("the history file could not be read; its content is kept as ") + copyPath);
    m_unreadable = Unreadable::No;
    m_unreadableBytes.clear();
    return true;
}

// Temporary files of saves that were cut short (the process killed between
// creating and renaming them) hold nothing the history file does not.
void HistoryFile::removeStaleTemporaryFiles() const
{
    const QFileInfo target(m_path);
    QDir directory = target.absoluteDir();
    const QStringList stale = directory.entryList({temporaryPrefix + QLatin1Char('*')},
                                                  QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : stale)
        directory.remove(name);
}

} // namespace quillet::history
