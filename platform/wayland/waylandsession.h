// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/queuedclipboard.h"
#include "pasteshortcut.h"
#include "waylandeventloop.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct wl_display;
struct wl_proxy;
struct wl_registry;
struct wl_seat;

namespace quillet::platform {

class WaylandDataControl;
class WaylandToplevels;
class WaylandVirtualKeyboard;

// The program's own connection to the Wayland compositor, dispatched on a
// thread of its own and never on the main thread (a program that owns the
// clipboard and pastes into its own window would otherwise wait for
// itself). It learns what the compositor offers and hands each protocol's
// events to the part that speaks it: the clipboard by data control, the
// application in front by the wlr foreign-toplevel list, and key presses by
// the wlroots virtual keyboard.
class WaylandSession final : private WaylandEventLoop
{
public:
    WaylandSession();
    ~WaylandSession() override;
    WaylandSession(const WaylandSession &) = delete;
    WaylandSession &operator=(const WaylandSession &) = delete;

    // Connects to $WAYLAND_DISPLAY, learns what the compositor offers and
    // starts the thread. False, with a reason, where no compositor answers.
    bool start(QString *reason);

    bool hasDataControl() const;
    bool hasForeignToplevel() const;
    bool hasVirtualKeyboard() const { return m_keyboardManager != nullptr && m_seat; }

    // Clipboard: deliveries happen on the session's thread.
    void setDelivery(ClipboardDelivery delivery);
    void setWatching(bool watching, std::function<bool(QStringView)> enough);
    void setText(TextToSet text, Selection selection);
    // Posts the keys of `shortcut` on a virtual keyboard of our own.
    void postKeys(PasteShortcut shortcut);

    // The app id of the activated toplevel; none when none is known.
    std::optional<QString> activeAppId() const;

    // Dispatch hook used by the registry's listener; not for callers.
    void registryGlobal(wl_registry *registry, std::uint32_t name, const char *interface,
                        std::uint32_t version);

private:
    bool dispatchUntil(Clock::time_point deadline, int readFd, bool *readable) override;
    void flush() override;
    bool isStopping() const override { return m_stopping; }

    void run();
    void handleCommands();
    void postPendingKeys(const std::vector<PasteShortcut> &shortcuts);
    void connectionLost();

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    wl_proxy *m_keyboardManager = nullptr;
    std::unique_ptr<WaylandDataControl> m_dataControl;
    std::unique_ptr<WaylandToplevels> m_toplevels;
    std::unique_ptr<WaylandVirtualKeyboard> m_keyboard;
    int m_wakeFd = -1;
    std::thread m_thread;

    // Commands from the caller's thread.
    std::mutex m_mutex;
    bool m_stopRequested = false;
    std::optional<TextToSet> m_textToSet[2]; // by Selection
    std::vector<PasteShortcut> m_keysToPost;

    // The session thread's own.
    bool m_stopping = false;
};

} // namespace quillet::platform
