// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct wl_proxy;
struct wl_registry;

namespace quillet::platform {

// The list of toplevel windows that wlroots compositors publish (the
// foreign-toplevel protocol), kept to know which application is in front.
// Dispatched on the session's thread; the answer may be read from any.
class WaylandToplevels final
{
public:
    WaylandToplevels();
    ~WaylandToplevels();
    WaylandToplevels(const WaylandToplevels &) = delete;
    WaylandToplevels &operator=(const WaylandToplevels &) = delete;

    // Binds the protocol's manager when `interface` names it; true if it did.
    bool bindGlobal(wl_registry *registry, std::uint32_t name, const char *interface,
                    std::uint32_t version);
    bool isAvailable() const { return m_manager != nullptr; }

    // The app id of the activated toplevel; none when none is known.
    std::optional<QString> activeAppId() const;

    // Dispatch hooks used by the listeners; not for callers.
    struct Toplevel;
    void toplevelArrived(wl_proxy *handle);
    void toplevelDone(Toplevel *toplevel);
    void toplevelClosed(Toplevel *toplevel);

private:
    void publishActiveAppId();

    wl_proxy *m_manager = nullptr;
    std::vector<std::unique_ptr<Toplevel>> m_toplevels;
    Toplevel *m_active = nullptr;

    mutable std::mutex m_mutex;
    std::optional<QString> m_activeAppId;
};

} // namespace quillet::platform
