// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandsession.h"

#include "log.h"
#include "waylanddatacontrol.h"
#include "waylandtoplevels.h"
#include "waylandvirtualkeyboard.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

const wl_registry_listener registryListener = {
    [](void *data, wl_registry *registry, std::uint32_t name, const char *interface,
       std::uint32_t version) {
        static_cast<WaylandSession *>(data)->registryGlobal(registry, name, interface, version);
    },
    [](void *, wl_registry *, std::uint32_t) {},
};

void wake(int fd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

} // namespace

WaylandSession::WaylandSession()
    : m_dataControl(std::make_unique<WaylandDataControl>(static_cast<WaylandEventLoop &>(*this))),
      m_toplevels(std::make_unique<WaylandToplevels>())
{}

WaylandSession::~WaylandSession()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_stopRequested = true;
        }
        wake(m_wakeFd);
        m_thread.join();
    }
    m_keyboard.reset();
    m_dataControl.reset();
    m_toplevels.reset();
    if (m_display)
        wl_display_disconnect(m_display);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool WaylandSession::hasDataControl() const
{
    return m_dataControl->isAvailable();
}

bool WaylandSession::hasForeignToplevel() const
{
    return m_toplevels->isAvailable();
}

void WaylandSession::registryGlobal(wl_registry *registry, std::uint32_t name,
                                    const char *interface, std::uint32_t version)
{
    if (m_dataControl->bindGlobal(registry, name, interface, version) ||
        m_toplevels->bindGlobal(registry, name, interface, version))
        return;
    const std::string_view global(interface);
    if (global == wl_seat_interface.name && !m_seat) {
        m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (global == zwp_virtual_keyboard_manager_v1_interface.name && !m_keyboardManager) {
        m_keyboardManager = static_cast<wl_proxy *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

bool WaylandSession::start(QString *reason)
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        *reason = QStringLiteral("cannot connect to the Wayland compositor");
        return false;
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The globals are learnt before start() returns, so that the caller
    // knows what the compositor offers; two round trips also bring the
    // toplevels that exist now. Only the session's thread dispatches later.
    if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0) {
        *reason = QStringLiteral("the Wayland compositor closed the connection");
        return false;
    }
    if (m_dataControl->isAvailable() && m_seat)
        m_dataControl->watchSeat(m_seat);
    m_thread = std::thread([this] { run(); });
    return true;
}

void WaylandSession::setDelivery(ClipboardDelivery delivery)
{
    m_dataControl->setDelivery(std::move(delivery));
}

void WaylandSession::setWatching(bool watching, std::function<bool(QStringView)> enough)
{
    m_dataControl->setWatching(watching, std::move(enough));
}

void WaylandSession::setText(TextToSet text, Selection selection)
{
    {
        const std::lock_guard lock(m_mutex);
        m_textToSet[int(selection)] = std::move(text);
    }
    wake(m_wakeFd);
}

void WaylandSession::postKeys(PasteShortcut shortcut)
{
    {
        const std::lock_guard lock(m_mutex);
        m_keysToPost.push_back(shortcut);
    }
    wake(m_wakeFd);
}

std::optional<QString> WaylandSession::activeAppId() const
{
    return m_toplevels->activeAppId();
}

void WaylandSession::run()
{
    while (!m_stopping) {
        while (!m_stopping && dispatchUntil(Clock::now(), -1, nullptr)) {
        }
        if (m_stopping)
            break;
        m_dataControl->deliverNotice();
        if (m_dataControl->hasPendingChange()) {
            m_dataControl->readPendingChange();
        } else {
            m_dataControl->becameIdle();
            dispatchUntil(Clock::time_point::max(), -1, nullptr);
        }
    }
}

bool WaylandSession::dispatchUntil(Clock::time_point deadline, int readFd, bool *readable)
{
    if (wl_display_dispatch_pending(m_display) < 0) {
        connectionLost();
        return false;
    }
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0) {
            connectionLost();
            return false;
        }
    }
    wl_display_flush(m_display);
    std::vector<pollfd> fds{{wl_display_get_fd(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (readFd >= 0)
        fds.push_back({readFd, POLLIN, 0});
    const std::size_t firstWrite = fds.size();
    auto earliest = deadline;
    m_dataControl->addWriteFds(fds, earliest);
    int timeoutMs = -1;
    if (earliest != Clock::time_point::max()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(earliest - Clock::now());
        timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
    }
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        if (wl_display_read_events(m_display) < 0) {
            connectionLost();
            return false;
        }
    } else {
        wl_display_cancel_read(m_display);
    }
    if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP))) {
        connectionLost();
        return false;
    }
    if (wl_display_dispatch_pending(m_display) < 0) {
        connectionLost();
        return false;
    }
    if (fds[1].revents & POLLIN)
        handleCommands();
    if (readable)
        *readable = readFd >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR));
    m_dataControl->serveWrites(fds.data() + firstWrite, fds.size() - firstWrite);
    return ready > 0;
}

void WaylandSession::flush()
{
    wl_display_flush(m_display);
}

void WaylandSession::connectionLost()
{
    if (!m_stopping)
        logLine(QStringLiteral("the Wayland compositor closed the connection; the clipboard "
                               "is no longer watched"));
    m_stopping = true;
}

void WaylandSession::handleCommands()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
    std::optional<TextToSet> texts[2];
    std::vector<PasteShortcut> keys;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = m_stopping || m_stopRequested;
        texts[0].swap(m_textToSet[0]);
        texts[1].swap(m_textToSet[1]);
        keys.swap(m_keysToPost);
    }
    if (m_stopping)
        return;
    for (const Selection selection : {Selection::Clipboard, Selection::Primary}) {
        if (std::optional<TextToSet> &text = texts[int(selection)])
            m_dataControl->takeSelection(selection, std::move(*text));
    }
    postPendingKeys(keys);
}

void WaylandSession::postPendingKeys(const std::vector<PasteShortcut> &shortcuts)
{
    if (shortcuts.empty() || !hasVirtualKeyboard())
        return;
    if (!m_keyboard)
        m_keyboard = std::make_unique<WaylandVirtualKeyboard>(m_keyboardManager, m_seat);
    for (const PasteShortcut shortcut : shortcuts)
        m_keyboard->post(shortcut);
    wl_display_flush(m_display);
}

} // namespace quillet::platform
