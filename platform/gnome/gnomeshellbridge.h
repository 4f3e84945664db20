// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteshortcut.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QDBusServiceWatcher;

namespace quillet::platform {

// Quillet's GNOME Shell extension as seen from the program: a service on the
// session bus that reports clipboard changes and the application in front,
// and sets the clipboard and types the paste keys when asked. It may appear
// and vanish while the program runs (enabled, disabled, a shell restart).
class GnomeShellBridge final : public QObject
{
    Q_OBJECT

public:
    static constexpr char extensionUuid[] = "quillet@quillet.io";

    GnomeShellBridge();
    ~GnomeShellBridge() override;

    bool isPresent() const { return m_present; }
    // The application in front as the shell last reported it: its desktop
    // file id, else its GTK application id or window class.
    const QString &focusedApp() const { return m_focusedApp; }

    // Requests that go out without waiting for an answer.
    void setClipboard(const QString &text);
    void postPaste(PasteShortcut shortcut);

Q_SIGNALS:
    void presenceChanged(bool present);
    // Another program took the clipboard; `text` is as offered in
    // `textFormat`, none where no text was offered or it was secret.
    void clipboardChanged(const QStringList &formats, bool secret, const QString &textFormat,
                          const QByteArray &text);

private Q_SLOTS:
    void onClipboardChanged(const QStringList &formats, bool secret, const QString &textFormat,
                            const QByteArray &text, const QString &source);
    void onFocusChanged(const QString &source);

private:
    void setPresent(bool present);

    QDBusServiceWatcher *m_watcher;
    bool m_present = false;
    QString m_focusedApp;
};

} // namespace quillet::platform
