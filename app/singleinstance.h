// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

namespace quillet::app {

// One recorder per user and display: two would overwrite each other's
// history file. The first instance holds a lock file and listens on a local
// socket (both in the user's private runtime folder); a later one asks it to
// show its history window instead of starting.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Claim
    {
        Primary,   // this process is the one instance
        Forwarded, // another one runs and was asked to show its window
        Failed,    // another one holds the lock but does not answer
    };
    Claim claim();

    static QString baseName();

Q_SIGNALS:
    void showRequested();

private:
    bool askRunningInstance() const;

    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace quillet::app
