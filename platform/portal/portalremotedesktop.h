// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteinput.h"

#include <QObject>
#include <QString>

#include <memory>

namespace quillet::platform {

// Key presses through the xdg-desktop-portal RemoteDesktop interface (KDE
// and GNOME on Wayland), which asks the user once for the right to type.
// Trusted means a session with a keyboard is open. The portal's restore
// token is kept in a file of the user's own, so that the grant survives a
// restart: a session is then restored at start, without a dialog.
class PortalRemoteDesktop final : public QObject, public PasteInput
{
    Q_OBJECT

public:
    // None where no portal runs or can be started on the session bus.
    // `tokenPath` empty: the grant is not kept.
    static std::unique_ptr<PortalRemoteDesktop> create(const QString &tokenPath);

    bool isTrusted() override { return m_started; }
    void requestTrust() override;
    bool postPaste(PasteShortcut shortcut) override;

private Q_SLOTS:
    void sessionClosed();

private:
    explicit PortalRemoteDesktop(QString tokenPath);
    void createSession();
    void selectDevices();
    void startSession();
    void keepRestoreToken(const QString &token);
    void giveUp(const QString &why);
    void key(std::uint32_t evdevCode, bool pressed);

    QString m_tokenPath;
    QString m_restoreToken;
    QString m_session;
    bool m_starting = false;
    bool m_started = false;
};

} // namespace quillet::platform
