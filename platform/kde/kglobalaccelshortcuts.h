// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>

namespace quillet::platform {

// Global shortcuts on KDE Plasma through KDE's shortcut service
// (org.kde.kglobalaccel on the session bus), which KWin runs on Wayland. Our
// component registers one action per shortcut, with its key as the default
// and as the active key; the service answers later, and a key that another
// component holds already comes back as no key: that shortcut's failure.
// Nothing here waits for the service.
class KGlobalAccelShortcuts final : public QObject, public GlobalShortcuts
{
    Q_OBJECT

public:
    static constexpr char componentName[] = "io.quillet.Quillet";
    // Status of a shortcut whose key another component holds.
    static constexpr Status keyTaken = 1;
    // Status of a registration the service did not answer.
    static constexpr Status noAnswer = 2;

    // None where the service does not run on the session bus.
    static std::unique_ptr<KGlobalAccelShortcuts> create();
    ~KGlobalAccelShortcuts() override;

    Target applicationTarget() override { return 1; }
    Status installHandler(Target target, Handler handler, HandlerRef &handlerRef) override;
    Status registerShortcut(Key key, std::uint32_t modifiers, ShortcutId id, Target target,
                            ShortcutRef &shortcutRef) override;
    void unregisterShortcut(ShortcutRef shortcutRef) override;
    void removeHandler(HandlerRef handlerRef) override;
    void setOutcomeHandler(OutcomeHandler handler) override { m_outcome = std::move(handler); }

private Q_SLOTS:
    void shortcutPressed(const QString &component, const QString &action, qlonglong timestamp);

private:
    struct Action
    {
        ShortcutId id;
        QString name;
        QString label;
    };

    KGlobalAccelShortcuts() = default;
    void callService(const QString &method, const QVariantList &arguments);

    Handler m_handler;
    OutcomeHandler m_outcome;
    std::map<ShortcutRef, Action> m_actions;
    ShortcutRef m_nextRef = 1;
};

} // namespace quillet::platform
