// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillet::app {

// Ends the event loop on SIGTERM, SIGINT or SIGHUP (a logout, Ctrl+C), so
// that what the program registered with the desktop is released on the way
// out. The signal handler only writes to a pipe, which the loop reads.
class QuitOnSignal final : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace quillet::app
