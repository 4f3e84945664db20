// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <QList>
#include <QString>

namespace quillet::tests {

// Records every call; the test sets the statuses and presses keys.
class FakeGlobalShortcuts final : public platform::GlobalShortcuts
{
public:
    Status installStatus = 0;
    QList<Status> registerStatuses; // per call, in order; missing ones succeed
    QStringList calls;
    Handler handler;
    OutcomeHandler outcome;

    void setOutcomeHandler(OutcomeHandler newOutcome) override { outcome = std::move(newOutcome); }

    Target applicationTarget() override
    {
        calls << QStringLiteral("target");
        return 42;
    }
    Status installHandler(Target target, Handler newHandler, HandlerRef &handlerRef) override
    {
        calls << QStringLiteral("install %1").arg(target);
        if (installStatus != 0)
            return installStatus;
        handler = std::move(newHandler);
        handlerRef = 7;
        return 0;
    }
    Status registerShortcut(Key key, std::uint32_t modifiers, ShortcutId id, Target target,
                            ShortcutRef &shortcutRef) override
    {
        const int call = m_registerCalls++;
        calls << QStringLiteral("register key%1 mods%2 sig%3 id%4 target%5")
                     .arg(static_cast<int>(key))
                     .arg(modifiers)
                     .arg(id.signature, 0, 16)
                     .arg(id.id)
                     .arg(target);
        const Status status = registerStatuses.value(call, 0);
        if (status == 0)
            shortcutRef = 100 + id.id;
        return status;
    }
    void unregisterShortcut(ShortcutRef shortcutRef) override
    {
        calls << QStringLiteral("unregister %1").arg(shortcutRef);
    }
    void removeHandler(HandlerRef handlerRef) override
    {
        calls << QStringLiteral("remove %1").arg(handlerRef);
    }

    Status press(std::uint32_t id, Status readStatus = 0)
    {
        const Event event{{0x514C4C54, id}, readStatus};
        return handler(&event);
    }

private:
    int m_registerCalls = 0;
};

} // namespace quillet::tests
