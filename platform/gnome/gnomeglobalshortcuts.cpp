// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnomeglobalshortcuts.h"

#include "gnomeshellbridge.h"

namespace quillet::platform {

GnomeGlobalShortcuts::GnomeGlobalShortcuts(std::shared_ptr<GnomeShellBridge> bridge,
                                           std::unique_ptr<GlobalShortcuts> fallback)
    : m_bridge(std::move(bridge)), m_fallback(std::move(fallback))
{}

void GnomeGlobalShortcuts::setOutcomeHandler(OutcomeHandler handler)
{
    m_fallback->setOutcomeHandler(std::move(handler));
}

GlobalShortcuts::Target GnomeGlobalShortcuts::applicationTarget()
{
    return m_fallback->applicationTarget();
}

GlobalShortcuts::Status GnomeGlobalShortcuts::installHandler(Target target, Handler handler,
                                                             HandlerRef &handlerRef)
{
    if (m_bridge->isPresent())
        return 0;
    return m_fallback->installHandler(target, std::move(handler), handlerRef);
}

GlobalShortcuts::Status GnomeGlobalShortcuts::registerShortcut(Key key, std::uint32_t modifiers,
                                                               ShortcutId id, Target target,
                                                               ShortcutRef &shortcutRef)
{
    if (m_bridge->isPresent())
        return 0;
    return m_fallback->registerShortcut(key, modifiers, id, target, shortcutRef);
}

GlobalShortcuts::Status GnomeGlobalShortcuts::pressedShortcut(const Event *event, ShortcutId &id)
{
    return m_fallback->pressedShortcut(event, id);
}

void GnomeGlobalShortcuts::unregisterShortcut(ShortcutRef shortcutRef)
{
    if (shortcutRef != 0)
        m_fallback->unregisterShortcut(shortcutRef);
}

void GnomeGlobalShortcuts::removeHandler(HandlerRef handlerRef)
{
    if (handlerRef != 0)
        m_fallback->removeHandler(handlerRef);
}

} // namespace quillet::platform
