// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace quillet::app {

// One recording instance per user: two would overwrite each other's history
// file. The first instance holds a lock file and listens on a local socket,
// both in a folder only the user can write to; a later
// start on the same display asks it to show its history window, and a start
// on another display learns that the program already runs for this user.
// Both ends check that the other is the same user.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // `lockFolder` and `socketFolder` must be private to the user.
    SingleInstance(QString lockFolder, QString socketFolder, QString displayKey,
                   QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Claim
    {
        Primary,   // this process is the one instance
        Forwarded, // another one runs on this display and was asked to show its window
        Elsewhere, // another one runs for this user on another display
        Failed,    // no lock: another one holds it but does not answer, or it cannot be made
    };
    Claim claim();

    // `candidate` ($XDG_RUNTIME_DIR) where it is an absolute path to a folder
    // of this user that no one else may enter; `fallback` otherwise.
    static QString privateFolder(const QString &candidate, const QString &fallback);
    // The display this process shows its windows on, as a short key.
    static QString currentDisplayKey();

Q_SIGNALS:
    void showRequested();

private:
    enum class Answer
    {
        None,
        Shown,
        Elsewhere,
    };
    Answer askRunningInstance() const;
    void answer(QLocalSocket *socket);

    QString m_lockPath;
    QString m_socketPath;
    QString m_displayKey;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace quillet::app
