// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "globalshortcuts.h"

#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace quillet::platform {
class Scheduler;
}

namespace quillet::shortcuts {

// The three system-wide shortcuts: Ctrl+Alt+V, Ctrl+Alt+1 and Ctrl+Alt+2.
// Each press runs its action later on the main loop, never inside the
// desktop's handler.
class HotKeyController final
{
public:
    using Action = std::function<void()>;
    using Shortcuts = platform::GlobalShortcuts;

    // "QLLT", first character in the most significant byte.
    static constexpr std::uint32_t signature = 0x514C4C54;

    struct Shortcut
    {
        std::uint32_t id;
        Shortcuts::Key key;
        const char *label;
    };
    static constexpr Shortcut table[] = {
        {1, Shortcuts::Key::V, "Ctrl+Alt+V"},
        {2, Shortcuts::Key::Digit1, "Ctrl+Alt+1"},
        {3, Shortcuts::Key::Digit2, "Ctrl+Alt+2"},
    };

    // Both services must outlive the controller.
    HotKeyController(Shortcuts &shortcuts, platform::Scheduler &scheduler);
    // Releases every registration, then the handler.
    ~HotKeyController();
    HotKeyController(const HotKeyController &) = delete;
    HotKeyController &operator=(const HotKeyController &) = delete;

    // True only when the handler is installed and all three shortcuts are
    // registered or still pending; each failure is logged and leaves the
    // others working.
    bool registerControlOptionShortcuts(Action showHistory, Action pasteLatest,
                                        Action pastePrevious);
    // Runs when a pending registration fails later.
    void whenLaterUnavailable(Action action) { m_laterUnavailable = std::move(action); }
    // Runs when the desktop reports the keys it bound to a shortcut, which
    // may be other keys chosen by the user; `index` is the shortcut's row
    // in the table.
    using TriggerAction = std::function<void(int index, const QString &trigger)>;
    void whenTriggerReported(TriggerAction action) { m_triggerReported = std::move(action); }

    const std::vector<Shortcuts::ShortcutRef> &hotKeyRefs() const { return m_hotKeyRefs; }

private:
    Shortcuts::Status handlePress(const Shortcuts::Event *event);
    void reportOutcome(std::uint32_t id, Shortcuts::Status status);

    Shortcuts &m_shortcuts;
    platform::Scheduler &m_scheduler;
    std::vector<Shortcuts::ShortcutRef> m_hotKeyRefs;
    std::optional<Shortcuts::HandlerRef> m_eventHandlerRef;
    std::map<std::uint32_t, Action> m_actions;
    Action m_laterUnavailable;
    TriggerAction m_triggerReported;
};

} // namespace quillet::shortcuts
