// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeycontroller.h"

#include "log.h"
#include "scheduler.h"

namespace quillet::shortcuts {

HotKeyController::HotKeyController(Shortcuts &shortcuts, platform::Scheduler &scheduler)
    : m_shortcuts(shortcuts), m_scheduler(scheduler)
{}

HotKeyController::~HotKeyController()
{
    m_shortcuts.setOutcomeHandler({});
    for (const Shortcuts::ShortcutRef ref : m_hotKeyRefs)
        m_shortcuts.unregisterShortcut(ref);
    if (m_eventHandlerRef)
        m_shortcuts.removeHandler(*m_eventHandlerRef);
}

bool HotKeyController::registerControlOptionShortcuts(Action showHistory, Action pasteLatest,
                                                      Action pastePrevious)
{
    m_actions = {
        {1, std::move(showHistory)}, {2, std::move(pasteLatest)}, {3, std::move(pastePrevious)}};

    Shortcuts::HandlerRef handlerRef = 0;
    const Shortcuts::Status installed = m_shortcuts.installHandler(
        m_shortcuts.applicationTarget(),
        [this](const Shortcuts::Event *event) { return handlePress(event); }, handlerRef);
    if (installed != 0) {
        platform::logLine(QStringLiteral("failed to install hotkey handler: %1").arg(installed));
        return false;
    }
    m_eventHandlerRef = handlerRef;
    m_shortcuts.setOutcomeHandler(
        [this](Shortcuts::ShortcutId id, Shortcuts::Status status, const QString &trigger) {
            if (id.signature != signature)
                return;
            if (status != 0) {
                reportOutcome(id.id, status);
                if (m_laterUnavailable)
                    m_laterUnavailable();
            } else if (!trigger.isEmpty() && m_triggerReported) {
                m_triggerReported(int(id.id) - 1, trigger);
            }
        });

    bool allRegistered = true;
    for (const Shortcut &shortcut : table) {
        Shortcuts::ShortcutRef ref = 0;
        const Shortcuts::Status status = m_shortcuts.registerShortcut(
            shortcut.key, Shortcuts::Control | Shortcuts::Alt, {signature, shortcut.id},
            m_shortcuts.applicationTarget(), ref);
        if (status != 0 && status != Shortcuts::pending) {
            reportOutcome(shortcut.id, status);
            allRegistered = false;
        } else if (ref != 0) {
            m_hotKeyRefs.push_back(ref);
        }
    }
    return allRegistered;
}

void HotKeyController::reportOutcome(std::uint32_t id, Shortcuts::Status status)
{
    for (const Shortcut &shortcut : table) {
        if (shortcut.id == id)
            platform::logLine(QStringLiteral("failed to register %1 hotkey: %2")
                                  .arg(QLatin1String(shortcut.label))
                                  .arg(status));
    }
}

HotKeyController::Shortcuts::Status HotKeyController::handlePress(const Shortcuts::Event *event)
{
    if (!event)
        return 0;
    Shortcuts::ShortcutId id;
    if (m_shortcuts.pressedShortcut(event, id) != 0)
        return 0;
    const auto action = m_actions.find(id.id);
    if (action == m_actions.end())
        return 0;
    m_scheduler.runSoon(action->second);
    return 0;
}

} // namespace quillet::shortcuts
