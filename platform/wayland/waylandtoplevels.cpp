// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandtoplevels.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <string_view>

namespace quillet::platform {

struct WaylandToplevels::Toplevel
{
    WaylandToplevels *list;
    zwlr_foreign_toplevel_handle_v1 *handle;
    QString appId;
    QString pendingAppId;
    bool activated = false;
    bool pendingActivated = false;
};

namespace {

// Changes of a toplevel arrive piece by piece and count from its `done`.
const zwlr_foreign_toplevel_handle_v1_listener toplevelListener = {
    [](void *, zwlr_foreign_toplevel_handle_v1 *, const char *) {},
    [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId) {
        static_cast<WaylandToplevels::Toplevel *>(data)->pendingAppId = QString::fromUtf8(appId);
    },
    [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
    [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
    [](void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states) {
        auto *toplevel = static_cast<WaylandToplevels::Toplevel *>(data);
        toplevel->pendingActivated = false;
        const auto *state = static_cast<const std::uint32_t *>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof *state; ++i) {
            if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                toplevel->pendingActivated = true;
        }
    },
    [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
        auto *toplevel = static_cast<WaylandToplevels::Toplevel *>(data);
        toplevel->list->toplevelDone(toplevel);
    },
    [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
        auto *toplevel = static_cast<WaylandToplevels::Toplevel *>(data);
        toplevel->list->toplevelClosed(toplevel);
    },
    [](void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {},
};

const zwlr_foreign_toplevel_manager_v1_listener managerListener = {
    [](void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle) {
        static_cast<WaylandToplevels *>(data)->toplevelArrived(
            reinterpret_cast<wl_proxy *>(handle));
    },
    [](void *, zwlr_foreign_toplevel_manager_v1 *) {},
};

} // namespace

WaylandToplevels::WaylandToplevels() = default;

WaylandToplevels::~WaylandToplevels()
{
    for (const auto &toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    if (m_manager)
        wl_proxy_destroy(m_manager);
}

bool WaylandToplevels::bindGlobal(wl_registry *registry, std::uint32_t name, const char *interface,
                                  std::uint32_t version)
{
    if (std::string_view(interface) != zwlr_foreign_toplevel_manager_v1_interface.name)
        return false;
    if (m_manager)
        return true;
    m_manager = static_cast<wl_proxy *>(wl_registry_bind(
        registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
    zwlr_foreign_toplevel_manager_v1_add_listener(
        reinterpret_cast<zwlr_foreign_toplevel_manager_v1 *>(m_manager), &managerListener, this);
    return true;
}

std::optional<QString> WaylandToplevels::activeAppId() const
{
    const std::lock_guard lock(m_mutex);
    return m_activeAppId;
}

void WaylandToplevels::toplevelArrived(wl_proxy *handle)
{
    m_toplevels.push_back(std::make_unique<Toplevel>(
        Toplevel{this, reinterpret_cast<zwlr_foreign_toplevel_handle_v1 *>(handle), {}, {}}));
    zwlr_foreign_toplevel_handle_v1_add_listener(m_toplevels.back()->handle, &toplevelListener,
                                                 m_toplevels.back().get());
}

void WaylandToplevels::toplevelDone(Toplevel *toplevel)
{
    toplevel->appId = toplevel->pendingAppId;
    toplevel->activated = toplevel->pendingActivated;
    if (toplevel->activated)
        m_active = toplevel;
    else if (m_active == toplevel)
        m_active = nullptr;
    publishActiveAppId();
}

void WaylandToplevels::toplevelClosed(Toplevel *toplevel)
{
    if (m_active == toplevel) {
        m_active = nullptr;
        publishActiveAppId();
    }
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    std::erase_if(m_toplevels, [toplevel](const auto &kept) { return kept.get() == toplevel; });
}

void WaylandToplevels::publishActiveAppId()
{
    const std::lock_guard lock(m_mutex);
    if (m_active && !m_active->appId.isEmpty())
        m_activeAppId = m_active->appId;
    else
        m_activeAppId.reset();
}

} // namespace quillet::platform
