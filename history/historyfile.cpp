// SPDX-License-Identifier: GPL-3.0-or-later
#include "historyfile.h"

#include "appidentity.h"
#include "historycodec.h"
#include "log.h"
#include "privatefile.h"

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

using platform::PrivateFile;

// Temporary files of an atomic replacement of the history file or of its
// corrupt copy.
const QString temporaryPattern = QStringLiteral(".history.json*.tmp-*");

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
    return PrivateFile::makePrivateDirectory(path);
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
    const auto bytes = HistoryCodec::encodePieces(items, &m_encodedTexts);
    if (!bytes) {
        error = QStringLiteral("a time stamp is not a finite number");
        return fail();
    }
    if (m_unreadable != Unreadable::No && !keepUnreadableFile(&error))
        return fail();
    if (!PrivateFile::replace(m_path, *bytes, &error))
        return fail();
    // The file is already 0600 from its creation; setting it again by path
    // covers a file system that ignores fchmod on open files.
    if (::chmod(QFile::encodeName(m_path).constData(), S_IRUSR | S_IWUSR) != 0) {
        error = PrivateFile::systemError(QStringLiteral("could not set the permissions of"), m_path,
                                         errno);
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
        kept = PrivateFile::replace(copyPath, m_unreadableBytes, error);
    } else if (::rename(QFile::encodeName(m_path).constData(),
                        QFile::encodeName(copyPath).constData()) == 0) {
        ::chmod(QFile::encodeName(copyPath).constData(), S_IRUSR | S_IWUSR);
        kept = true;
    } else {
        *error = PrivateFile::systemError(QStringLiteral("could not keep the unreadable file"),
                                          m_path, errno);
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
    const QStringList stale =
        directory.entryList({temporaryPattern}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : stale)
        directory.remove(name);
}

} // namespace quillet::history
