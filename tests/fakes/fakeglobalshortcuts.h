// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <QList>
#include <QString>

namespace quillet::tests {

// The test sets the statuses of the registrations, presses keys and reads
// what was released.
class FakeGlobalShortcuts final : public platform::GlobalShortcuts
{
public:
    QList<Status> registerStatuses; // per call, in order; missing ones succeed
    QStringList releases;
    Handler handler;
    OutcomeHandler outcome;

    void setOutcomeHandler(OutcomeHandler newOutcome) override { outcome = std::move(newOutcome); }
    Target applicationTarget() override { return 42; }
    Status installHandler(Target, Handler newHandler, HandlerRef &handlerRef) override
    {
        handler = std::move(newHandler);
        handlerRef = 7;
        return 0;
    }
    Status registerShortcut(Key, std::uint32_t, ShortcutId id, Target,
                            ShortcutRef &shortcutRef) override
    {
        const Status status = registerStatuses.value(m_registerCalls++, 0);
        if (status == 0)
            shortcutRef = 100 + id.id;
        return status;
    }
    void unregisterShortcut(ShortcutRef ref) override { releases << QString::number(ref); }
    void removeHandler(HandlerRef ref) override
    {
        releases << QStringLiteral("handler %1").arg(ref);
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
