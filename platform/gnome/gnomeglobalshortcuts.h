// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <memory>

namespace quillet::platform {

class GnomeShellBridge;

// The shortcuts on GNOME: while the Shell extension runs it binds the keys
// itself (in its own settings, which the user may change) and calls the
// program's actions, so nothing is registered here; otherwise `fallback`
// (the portal) registers them.
class GnomeGlobalShortcuts final : public GlobalShortcuts
{
public:
    GnomeGlobalShortcuts(std::shared_ptr<GnomeShellBridge> bridge,
                         std::unique_ptr<GlobalShortcuts> fallback);

    void setOutcomeHandler(OutcomeHandler handler) override;
    Target applicationTarget() override;
    Status installHandler(Target target, Handler handler, HandlerRef &handlerRef) override;
    Status registerShortcut(Key key, std::uint32_t modifiers, ShortcutId id, Target target,
                            ShortcutRef &shortcutRef) override;
    Status pressedShortcut(const Event *event, ShortcutId &id) override;
    void unregisterShortcut(ShortcutRef shortcutRef) override;
    void removeHandler(HandlerRef handlerRef) override;

private:
    std::shared_ptr<GnomeShellBridge> m_bridge;
    std::unique_ptr<GlobalShortcuts> m_fallback;
};

} // namespace quillet::platform
