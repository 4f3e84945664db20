// SPDX-License-Identifier: GPL-3.0-or-later
#include "privatefile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quillet::platform {

namespace {

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

// Writes the pieces in order, many in one call.
bool writeAll(int fd, const QList<QByteArray> &pieces)
{
    std::vector<iovec> vectors;
    vectors.reserve(static_cast<size_t>(pieces.size()));
    for (const QByteArray &piece : pieces) {
        if (!piece.isEmpty())
            vectors.push_back({const_cast<char *>(piece.constData()), size_t(piece.size())});
    }
    size_t next = 0;
    while (next < vectors.size()) {
        const int count = int(std::min<size_t>(vectors.size() - next, IOV_MAX));
        const ssize_t written = ::writev(fd, vectors.data() + next, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        // Steps past what was written, which may end inside a piece.
        for (size_t left = size_t(written); left > 0;) {
            iovec &vector = vectors[next];
            const size_t step = std::min(left, vector.iov_len);
            vector.iov_base = static_cast<char *>(vector.iov_base) + step;
            vector.iov_len -= step;
            left -= step;
            if (vector.iov_len == 0)
                ++next;
        }
    }
    return true;
}

} // namespace

QString PrivateFile::systemError(const QString &what, const QString &path, int error)
{
    return QStringLiteral("%1 %2: %3 (errno %4)")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(error)))
        .arg(error);
}

std::optional<QByteArray> PrivateFile::read(const QString &path, qsizetype maxBytes)
{
    const FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status
    {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < maxBytes) {
        const ssize_t got =
            ::read(file.get(), bytes.data() + filled, static_cast<size_t>(maxBytes - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

// The temporary file is made by mkstemp(), which creates it with mode 0600,
// so the content is owner-only from the first byte; it is flushed to disk
// before the rename, and the folder after it, so that a crash leaves either
// the old or the new file.
bool PrivateFile::replace(const QString &path, const QByteArray &bytes, QString *error)
{
    return replace(path, QList<QByteArray>{bytes}, error);
}

bool PrivateFile::replace(const QString &path, const QList<QByteArray> &pieces, QString *error)
{
    const QFileInfo target(path);
    const QString directory = target.absolutePath();
    QByteArray pattern = QFile::encodeName(directory + QStringLiteral("/.") + target.fileName() +
                                           QStringLiteral(".tmp-XXXXXX"));
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
    if (!writeAll(file.get(), pieces))
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
    const FileDescriptor folder(
        ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return true;
}

bool PrivateFile::makePrivateDirectory(const QString &path)
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

} // namespace quillet::platform
