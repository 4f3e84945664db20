// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboarditem.h"
#include "historycodec.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quillet::history {

// The history file on disk: read once at start, replaced whole and atomically
// on every save, and never readable by anyone but its owner.
class HistoryFile final
{
public:
    explicit HistoryFile(QString path);

    // The user's data folder for the program: $XDG_DATA_HOME/Quillet, where
    // XDG_DATA_HOME is an absolute path, else ~/.local/share/Quillet (a
    // relative XDG_DATA_HOME is ignored, as the XDG rules say). Empty when
    // no home is known.
    static QString defaultDirectory();
    // defaultDirectory()/history.json, or empty.
    static QString defaultPath();

    // Creates `path` and any missing parent, each owner-only (0700).
    static bool makePrivateDirectory(const QString &path);

    const QString &path() const { return m_path; }
    QString corruptCopyPath() const { return m_path + QStringLiteral(".corrupt"); }

    // The entries in the file; none when it is missing or cannot be read or
    // decoded. An unreadable file is remembered, so that the first save keeps
    // its bytes beside it instead of silently replacing them.
    std::optional<QList<ClipboardItem>> load();

    // Writes `items`; on failure logs one line and returns false. The texts
    // of one save are encoded once and reused by the next saves.
    bool save(const QList<ClipboardItem> &items);

private:
    enum class Unreadable
    {
        No,
        WithBytes,
        WithoutBytes
    };

    bool keepUnreadableFile(QString *error);
    void removeStaleTemporaryFiles() const;

    QString m_path;
    Unreadable m_unreadable = Unreadable::No;
    QByteArray m_unreadableBytes;
    HistoryCodec::TextCache m_encodedTexts;
};

} // namespace quillet::history
