// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace quillet::platform {

// System-wide key combinations. Presses reach one installed handler, which
// reads the identifier of the pressed combination from the event.
class GlobalShortcuts
{
public:
    // 0 means success; anything else is the desktop's failure status.
    using Status = std::int32_t;
    // Opaque handles; 0 is none.
    using Target = std::uintptr_t;
    using HandlerRef = std::uintptr_t;
    using ShortcutRef = std::uintptr_t;

    struct ShortcutId
    {
        std::uint32_t signature = 0;
        std::uint32_t id = 0;
    };

    // One key press as the handler receives it; read with pressedShortcut().
    struct Event
    {
        ShortcutId id;
        Status readStatus = 0;
    };
    using Handler = std::function<Status(const Event *event)>;

    // The keys of the program's shortcuts, by what they carry on a US layout.
    enum class Key
    {
        V,
        Digit1,
        Digit2
    };
    enum Modifier : std::uint32_t
    {
        Control = 1,
        Alt = 2
    };

    // How desktop services that list the shortcuts by action name them.
    struct ActionNames
    {
        const char *id;
        const char *description;
    };
    static ActionNames actionNamesOf(Key key)
    {
        switch (key) {
        case Key::V:
            return {"toggle-history", "Show History"};
        case Key::Digit1:
            return {"paste-latest", "Paste Latest"};
        case Key::Digit2:
            return {"paste-previous", "Paste Previous"};
        }
        return {"", ""};
    }

    // What registerShortcut() returns where the desktop answers later; the
    // outcome then reaches the handler given to setOutcomeHandler(), with
    // the keys the desktop reports for it where they may differ from ours.
    static constexpr Status pending = 0x7fffffff;
    using OutcomeHandler =
        std::function<void(ShortcutId id, Status status, const QString &trigger)>;

    virtual ~GlobalShortcuts() = default;

    virtual void setOutcomeHandler(OutcomeHandler) {}

    virtual Target applicationTarget() = 0;
    virtual Status installHandler(Target target, Handler handler, HandlerRef &handlerRef) = 0;
    virtual Status registerShortcut(Key key, std::uint32_t modifiers, ShortcutId id, Target target,
                                    ShortcutRef &shortcutRef) = 0;
    // The pressed combination of an event our handler received.
    virtual Status pressedShortcut(const Event *event, ShortcutId &id)
    {
        if (!event)
            return -1;
        id = event->id;
        return event->readStatus;
    }
    virtual void unregisterShortcut(ShortcutRef shortcutRef) = 0;
    virtual void removeHandler(HandlerRef handlerRef) = 0;
};

} // namespace quillet::platform
