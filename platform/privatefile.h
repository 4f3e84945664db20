// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quillet::platform {

// Files that belong to the user alone: created owner-only, replaced in one
// step, and never read or written through a symbolic link, so that a link
// planted at one of the program's paths leads nowhere.
class PrivateFile final
{
public:
    // The content of the regular file at `path`, at most `maxBytes` of it;
    // none where it is missing, a link, or cannot be read.
    static std::optional<QByteArray> read(const QString &path, qsizetype maxBytes);

    // Replaces `path` with `bytes` atomically: a new 0600 file flushed to
    // disk, renamed over the old one (a link there is replaced, never
    // followed), and the folder flushed. On failure, `error` says why.
    static bool replace(const QString &path, const QByteArray &bytes, QString *error);
    // The same with the content in pieces, written in order without first
    // being joined.
    static bool replace(const QString &path, const QList<QByteArray> &pieces, QString *error);

    // Creates `path` and any missing parent, each owner-only (0700).
    static bool makePrivateDirectory(const QString &path);

    // "<what> <path>: <reason> (errno <n>)".
    static QString systemError(const QString &what, const QString &path, int error);
};

} // namespace quillet::platform
