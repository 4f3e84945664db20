// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

namespace quillet::platform {

// Global shortcuts through the xdg-desktop-portal GlobalShortcuts interface
// (GNOME 48 and later, Hyprland, newer KDE). The shortcuts registered in one
// turn of the event loop are bound together in one session; the portal may
// let the user choose other keys, which come back as each shortcut's
// trigger. A shortcut the portal does not bind fails alone. Nothing here
// waits for the portal.
class PortalGlobalShortcuts final : public QObject, public GlobalShortcuts
{
    Q_OBJECT

public:
    static constexpr Status notBound = 1;
    static constexpr Status noPortal = 2;

    // None where no portal runs or can be started on the session bus.
    static std::unique_ptr<PortalGlobalShortcuts> create();

    Target applicationTarget() override { return 1; }
    Status installHandler(Target target, Handler handler, HandlerRef &handlerRef) override;
    Status registerShortcut(Key key, std::uint32_t modifiers, ShortcutId id, Target target,
                            ShortcutRef &shortcutRef) override;
    void unregisterShortcut(ShortcutRef shortcutRef) override;
    void removeHandler(HandlerRef handlerRef) override;
    void setOutcomeHandler(OutcomeHandler handler) override { m_outcome = std::move(handler); }

private Q_SLOTS:
    void activated(const QDBusMessage &message);

private:
    struct Shortcut
    {
        ShortcutId id;
        QString name;
        QString description;
        QString preferredTrigger;
        bool bound = false;
    };

    PortalGlobalShortcuts() = default;
    void createSession();
    void bindShortcuts();
    void shortcutsBound(uint response, const QVariantMap &results);
    void reportAll(Status status);

    Handler m_handler;
    OutcomeHandler m_outcome;
    std::map<ShortcutRef, Shortcut> m_shortcuts;
    ShortcutRef m_nextRef = 1;
    bool m_sessionRequested = false;
    QString m_session;
};

} // namespace quillet::platform
