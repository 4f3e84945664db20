// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

namespace quillet::platform {

// One call to an xdg-desktop-portal method that answers through a Request
// object: the answer (0 for success, with its results) reaches `done` later,
// on this thread; nothing waits for it. The Response signal is subscribed to
// before the call, at the path the portal will use, so that no answer is
// missed. An error reply counts as response 2 (the call failed).
class PortalCall final : public QObject
{
    Q_OBJECT

public:
    static constexpr char service[] = "org.freedesktop.portal.Desktop";
    static constexpr char path[] = "/org/freedesktop/portal/desktop";

    using Done = std::function<void(uint response, const QVariantMap &results)>;

    // `arguments` end with the options map, to which the handle token is
    // added. The call deletes itself once answered.
    static void start(const QString &interface, const QString &method, QVariantList arguments,
                      Done done);

    // Whether a portal runs on the session bus, or can be started there.
    static bool portalRuns();

    // A token for handles, unique within this program.
    static QString newToken();

private Q_SLOTS:
    void responded(uint response, const QVariantMap &results);

private:
    explicit PortalCall(Done done) : m_done(std::move(done)) {}
    void finish(uint response, const QVariantMap &results);

    Done m_done;
    QString m_requestPath;
    bool m_finished = false;
};

} // namespace quillet::platform
