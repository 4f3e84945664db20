// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandsession.h"

#include "log.h"
#include "textaccumulator.h"
#include "waylandvirtualkeyboard.h"

#include "ext-data-control-v1-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace quillet::platform {

using Clock = std::chrono::steady_clock;

struct WaylandSession::Offer
{
    WaylandSession *session;
    wl_proxy *proxy;
    QStringList mimeTypes;
};

struct WaylandSession::Toplevel
{
    WaylandSession *session;
    zwlr_foreign_toplevel_handle_v1 *handle;
    QString appId;
    QString pendingAppId;
    bool activated = false;
    bool pendingActivated = false;
};

namespace {

// Requests of the data-control interfaces, by their number: the ext and wlr
// protocols have the same shape, so one code path serves both.
enum : std::uint32_t
{
    managerCreateDataSource = 0,
    managerGetDataDevice = 1,
    managerDestroy = 2,
    deviceSetSelection = 0,
    deviceDestroy = 1,
    deviceSetPrimarySelection = 2,
    sourceOffer = 0,
    sourceDestroy = 1,
    offerReceive = 0,
    offerDestroy = 1,
};

// The text formats we ask for, best first.
const char *const textMimeTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain",
                                     "TEXT", "STRING"};
// Small answers (the password hint) never need more.
constexpr qsizetype maxSmallBytes = 4096;

WaylandSession *sessionOf(void *data)
{
    return static_cast<WaylandSession *>(data);
}

void destroyProxy(wl_proxy *proxy, std::uint32_t opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy),
                           WL_MARSHAL_FLAG_DESTROY);
}

const wl_registry_listener registryListener = {
    [](void *data, wl_registry *registry, std::uint32_t name, const char *interface,
       std::uint32_t version) {
        sessionOf(data)->registryGlobal(registry, name, interface, version);
    },
    [](void *, wl_registry *, std::uint32_t) {},
};

const zwlr_data_control_offer_v1_listener offerListener = {
    [](void *data, zwlr_data_control_offer_v1 *, const char *mimeType) {
        static_cast<WaylandSession::Offer *>(data)->mimeTypes << QString::fromUtf8(mimeType);
    },
};

const zwlr_data_control_device_v1_listener deviceListener = {
    [](void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
        sessionOf(data)->offerArrived(reinterpret_cast<wl_proxy *>(offer));
    },
    [](void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
        sessionOf(data)->selectionChanged(reinterpret_cast<wl_proxy *>(offer));
    },
    [](void *data, zwlr_data_control_device_v1 *) { sessionOf(data)->dataDeviceFinished(); },
    // The primary selection is not watched: its offers are let go at once.
    [](void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
        if (!offer)
            return;
        auto *proxy = reinterpret_cast<wl_proxy *>(offer);
        delete static_cast<WaylandSession::Offer *>(wl_proxy_get_user_data(proxy));
        destroyProxy(proxy, offerDestroy);
    },
};

const zwlr_data_control_source_v1_listener sourceListener = {
    [](void *data, zwlr_data_control_source_v1 *source, const char *mimeType, int32_t fd) {
        sessionOf(data)->sourceSend(reinterpret_cast<wl_proxy *>(source), mimeType, fd);
    },
    [](void *data, zwlr_data_control_source_v1 *source) {
        sessionOf(data)->sourceCancelled(reinterpret_cast<wl_proxy *>(source));
    },
};

const zwlr_foreign_toplevel_handle_v1_listener toplevelListener = {
    [](void *, zwlr_foreign_toplevel_handle_v1 *, const char *) {},
    [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId) {
        static_cast<WaylandSession::Toplevel *>(data)->pendingAppId = QString::fromUtf8(appId);
    },
    [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
    [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
    [](void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states) {
        auto *toplevel = static_cast<WaylandSession::Toplevel *>(data);
        toplevel->pendingActivated = false;
        const auto *state = static_cast<const std::uint32_t *>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof *state; ++i) {
            if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                toplevel->pendingActivated = true;
        }
    },
    [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
        auto *toplevel = static_cast<WaylandSession::Toplevel *>(data);
        toplevel->session->toplevelDone(toplevel);
    },
    [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
        auto *toplevel = static_cast<WaylandSession::Toplevel *>(data);
        toplevel->session->toplevelClosed(toplevel);
    },
    [](void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {},
};

const zwlr_foreign_toplevel_manager_v1_listener toplevelManagerListener = {
    [](void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle) {
        sessionOf(data)->toplevelArrived(reinterpret_cast<wl_proxy *>(handle));
    },
    [](void *, zwlr_foreign_toplevel_manager_v1 *) {},
};

void wake(int fd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

} // namespace

WaylandSession::WaylandSession() = default;

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
    if (m_display)
        wl_display_disconnect(m_display);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

QString WaylandSession::dataControlName() const
{
    return m_dataControl.isExt ? QStringLiteral("ext-data-control-v1")
                               : QStringLiteral("zwlr_data_control_manager_v1");
}

void WaylandSession::registryGlobal(wl_registry *registry, std::uint32_t name,
                                    const char *interface, std::uint32_t version)
{
    auto bind = [&](const wl_interface *wanted, std::uint32_t highest) {
        return static_cast<wl_proxy *>(
            wl_registry_bind(registry, name, wanted, std::min(version, highest)));
    };
    const std::string_view global(interface);
    if (global == wl_seat_interface.name && !m_seat) {
        m_seat = reinterpret_cast<wl_seat *>(bind(&wl_seat_interface, 1));
    } else if (global == ext_data_control_manager_v1_interface.name) {
        if (m_dataControl.manager && !m_dataControl.isExt)
            destroyProxy(m_dataControl.manager, managerDestroy);
        m_dataControl = {bind(&ext_data_control_manager_v1_interface, 1),
                         &ext_data_control_manager_v1_interface,
                         &ext_data_control_device_v1_interface,
                         &ext_data_control_source_v1_interface,
                         &ext_data_control_offer_v1_interface,
                         1,
                         true};
    } else if (global == zwlr_data_control_manager_v1_interface.name && !m_dataControl.manager) {
        m_dataControl = {bind(&zwlr_data_control_manager_v1_interface, 2),
                         &zwlr_data_control_manager_v1_interface,
                         &zwlr_data_control_device_v1_interface,
                         &zwlr_data_control_source_v1_interface,
                         &zwlr_data_control_offer_v1_interface,
                         std::min(version, 2u),
                         false};
    } else if (global == zwp_virtual_keyboard_manager_v1_interface.name && !m_keyboardManager) {
        m_keyboardManager = bind(&zwp_virtual_keyboard_manager_v1_interface, 1);
    } else if (global == zwlr_foreign_toplevel_manager_v1_interface.name && !m_toplevelManager) {
        m_toplevelManager = bind(&zwlr_foreign_toplevel_manager_v1_interface, 3);
        zwlr_foreign_toplevel_manager_v1_add_listener(
            reinterpret_cast<zwlr_foreign_toplevel_manager_v1 *>(m_toplevelManager),
            &toplevelManagerListener, this);
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
    if (m_dataControl.manager && m_seat) {
        m_device = wl_proxy_marshal_flags(m_dataControl.manager, managerGetDataDevice,
                                          m_dataControl.deviceInterface, m_dataControl.version, 0,
                                          nullptr, m_seat);
        wl_proxy_add_listener(
            m_device,
            reinterpret_cast<void (**)()>(
                const_cast<zwlr_data_control_device_v1_listener *>(&deviceListener)),
            this);
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void WaylandSession::setDelivery(ClipboardDelivery delivery)
{
    const std::lock_guard lock(m_mutex);
    m_delivery = std::move(delivery);
}

void WaylandSession::setWatching(bool watching, std::function<bool(QStringView)> enough)
{
    const std::lock_guard lock(m_mutex);
    m_watching = watching;
    m_enough = std::move(enough);
}

void WaylandSession::setText(QByteArray utf8, Selection selection)
{
    {
        const std::lock_guard lock(m_mutex);
        m_textToSet[int(selection)] = std::move(utf8);
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
    const std::lock_guard lock(m_mutex);
    return m_activeAppId;
}

void WaylandSession::run()
{
    while (!m_stopping) {
        while (!m_stopping && dispatchUntil(Clock::now(), -1, nullptr)) {
        }
        if (m_stopping)
            break;
        deliverNotice();
        if (!m_next) {
            m_skipping = false;
            dispatchUntil(Clock::time_point::max(), -1, nullptr);
            continue;
        }
        const PendingChange change = *m_next;
        m_next.reset();
        ClipboardChange result = readChange(change);
        destroyOffer(change.offer);
        std::function<void(ClipboardChange)> read;
        {
            const std::lock_guard lock(m_mutex);
            read = m_delivery.read;
        }
        if (read && !m_stopping)
            read(std::move(result));
    }
}

// Handles what arrives until `deadline`, and says whether `readFd` became
// readable. False when nothing happened.
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
    for (const PendingWrite &write : m_writes) {
        fds.push_back({write.fd, POLLOUT, 0});
        earliest = std::min(earliest, write.deadline);
    }
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
    serveWrites(fds.data() + firstWrite, fds.size() - firstWrite);
    return ready > 0;
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
    std::optional<QByteArray> texts[2];
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
        if (std::optional<QByteArray> &text = texts[int(selection)])
            takeSelection(selection, std::move(*text));
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

WaylandSession::OwnSource *WaylandSession::ownSourceFor(wl_proxy *source)
{
    for (OwnSource &own : m_own) {
        if (own.source == source)
            return &own;
    }
    return nullptr;
}

void WaylandSession::takeSelection(Selection selection, QByteArray utf8)
{
    const bool primary = selection == Selection::Primary;
    if (!m_device || (primary && !m_dataControl.isExt && m_dataControl.version < 2))
        return;
    OwnSource &own = m_own[int(selection)];
    own.text = std::move(utf8);
    wl_proxy *source =
        wl_proxy_marshal_flags(m_dataControl.manager, managerCreateDataSource,
                               m_dataControl.sourceInterface, m_dataControl.version, 0, nullptr);
    wl_proxy_add_listener(source,
                          reinterpret_cast<void (**)()>(
                              const_cast<zwlr_data_control_source_v1_listener *>(&sourceListener)),
                          this);
    for (const char *mimeType : textMimeTypes)
        wl_proxy_marshal_flags(source, sourceOffer, nullptr, m_dataControl.version, 0, mimeType);
    wl_proxy_marshal_flags(source, sourceOffer, nullptr, m_dataControl.version, 0, ownMimeType);
    wl_proxy_marshal_flags(m_device, primary ? deviceSetPrimarySelection : deviceSetSelection,
                           nullptr, m_dataControl.version, 0, source);
    wl_display_flush(m_display);
    own.source = source;
}

void WaylandSession::sourceSend(wl_proxy *source, const char *mimeType, int fd)
{
    const OwnSource *own = ownSourceFor(source);
    if (!own || std::strcmp(mimeType, ownMimeType) == 0) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QByteArray bytes = own->text;
    if (std::strcmp(mimeType, "STRING") == 0)
        bytes = QString::fromUtf8(own->text).toLatin1();
    // A reader that stops reading is given up on, like an owner that stops
    // answering.
    m_writes.push_back({fd, std::move(bytes), 0, Clock::now() + 5 * ClipboardRead::stallTimeout});
}

void WaylandSession::serveWrites(const pollfd *fds, std::size_t count)
{
    auto write = m_writes.begin();
    for (std::size_t i = 0; i < count && write != m_writes.end(); ++i) {
        bool finished = Clock::now() >= write->deadline;
        if (!finished && (fds[i].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t written = ::write(write->fd, write->bytes.constData() + write->written,
                                            std::size_t(write->bytes.size() - write->written));
            if (written > 0)
                write->written += written;
            finished = (written < 0 && errno != EAGAIN) || write->written == write->bytes.size();
        }
        if (finished) {
            ::close(write->fd);
            write = m_writes.erase(write);
        } else {
            ++write;
        }
    }
}

void WaylandSession::sourceCancelled(wl_proxy *source)
{
    if (OwnSource *own = ownSourceFor(source))
        *own = {};
    destroyProxy(source, sourceDestroy);
}

void WaylandSession::offerArrived(wl_proxy *offer)
{
    wl_proxy_add_listener(offer,
                          reinterpret_cast<void (**)()>(
                              const_cast<zwlr_data_control_offer_v1_listener *>(&offerListener)),
                          new Offer{this, offer, {}});
}

void WaylandSession::selectionChanged(wl_proxy *proxy)
{
    auto *offer = proxy ? static_cast<Offer *>(wl_proxy_get_user_data(proxy)) : nullptr;
    bool watching = false;
    {
        const std::lock_guard lock(m_mutex);
        watching = m_watching;
    }
    if (!watching || (offer && offer->mimeTypes.contains(QLatin1String(ownMimeType)))) {
        destroyOffer(offer);
        return;
    }
    const std::uint64_t serial = ++m_serial;
    if (m_next) {
        destroyOffer(m_next->offer);
        if (!std::exchange(m_skipping, true))
            logLine(QStringLiteral("the clipboard changes faster than it can be read; changes "
                                   "replaced before they were read are skipped"));
    }
    m_next = PendingChange{serial, offer};
}

// Handed on once what has arrived is handled: of a burst of changes only the
// last one counts, and one hand-over per change would make this thread too
// slow to keep up with a flood.
void WaylandSession::deliverNotice()
{
    if (!m_next || m_next->serial == m_noticedSerial)
        return;
    m_noticedSerial = m_next->serial;
    std::function<void(std::uint64_t)> noticed;
    {
        const std::lock_guard lock(m_mutex);
        noticed = m_delivery.noticed;
    }
    if (noticed)
        noticed(m_noticedSerial);
}

void WaylandSession::dataDeviceFinished()
{
    logLine(QStringLiteral("the compositor stopped the clipboard's data control; the "
                           "clipboard is no longer watched"));
    destroyProxy(m_device, deviceDestroy);
    m_device = nullptr;
}

void WaylandSession::destroyOffer(Offer *offer)
{
    if (!offer)
        return;
    destroyProxy(offer->proxy, offerDestroy);
    delete offer;
}

ClipboardChange WaylandSession::readChange(const PendingChange &change)
{
    ClipboardChange result;
    result.serial = change.serial;
    if (!change.offer)
        return result;
    m_readGiveUpAt = Clock::now() + ClipboardRead::totalLimit;
    result.formats = change.offer->mimeTypes;
    Outcome outcome = Outcome::Done;
    if (result.formats.contains(QLatin1String(Clipboard::passwordManagerHint))) {
        QByteArray hint;
        outcome = receive(change.offer, QString::fromLatin1(Clipboard::passwordManagerHint),
                          [&](QByteArrayView bytes) {
                              hint.append(bytes);
                              return hint.size() <= maxSmallBytes;
                          });
        result.secret = hint.trimmed() == "secret";
    }
    QString mimeType;
    for (const char *candidate : textMimeTypes) {
        if (mimeType.isEmpty() && result.formats.contains(QLatin1String(candidate)))
            mimeType = QString::fromLatin1(candidate);
    }
    if (outcome == Outcome::Done && !result.secret && !mimeType.isEmpty()) {
        std::function<bool(QStringView)> enough;
        {
            const std::lock_guard lock(m_mutex);
            enough = m_enough;
        }
        TextAccumulator text(mimeType == QLatin1String("STRING") ? QStringDecoder::Latin1
                                                                 : QStringDecoder::Utf8,
                             std::move(enough));
        outcome = receive(change.offer, mimeType,
                          [&](QByteArrayView chunk) { return text.append(chunk); });
        if (outcome == Outcome::Done)
            result.text = text.take();
    }
    ClipboardRead::logGivingUp(outcome, m_skipping);
    return result;
}

// Asks the offer's owner for `mimeType` through a pipe, and feeds what
// arrives to `sink` until the owner closes it or `sink` has enough.
WaylandSession::Outcome WaylandSession::receive(Offer *offer, const QString &mimeType,
                                                const std::function<bool(QByteArrayView)> &sink)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return Outcome::Lost;
    const QByteArray type = mimeType.toUtf8();
    wl_proxy_marshal_flags(offer->proxy, offerReceive, nullptr, m_dataControl.version, 0,
                           type.constData(), fds[1]);
    wl_display_flush(m_display);
    ::close(fds[1]);
    Outcome outcome = Outcome::Done;
    auto stalledAt = Clock::now() + ClipboardRead::stallTimeout;
    char buffer[64 * 1024];
    for (;;) {
        bool readable = false;
        const auto deadline = std::min(stalledAt, m_readGiveUpAt);
        dispatchUntil(deadline, fds[0], &readable);
        if (m_stopping) {
            outcome = Outcome::Lost;
            break;
        }
        // A newer copy must not wait behind a slow owner.
        if (m_next) {
            outcome = Outcome::Superseded;
            break;
        }
        if (readable) {
            const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
            if (got == 0)
                break;
            if (got > 0) {
                stalledAt = Clock::now() + ClipboardRead::stallTimeout;
                if (!sink(QByteArrayView(buffer, got)))
                    break;
                continue;
            }
            if (errno != EAGAIN && errno != EINTR) {
                outcome = Outcome::Lost;
                break;
            }
        }
        if (Clock::now() >= deadline) {
            outcome = deadline == stalledAt ? Outcome::TimedOut : Outcome::TooSlow;
            break;
        }
    }
    ::close(fds[0]);
    return outcome;
}

void WaylandSession::toplevelArrived(wl_proxy *handle)
{
    auto *toplevel =
        new Toplevel{this, reinterpret_cast<zwlr_foreign_toplevel_handle_v1 *>(handle), {}, {}};
    zwlr_foreign_toplevel_handle_v1_add_listener(toplevel->handle, &toplevelListener, toplevel);
}

void WaylandSession::toplevelDone(Toplevel *toplevel)
{
    toplevel->appId = toplevel->pendingAppId;
    toplevel->activated = toplevel->pendingActivated;
    if (toplevel->activated)
        m_activeToplevel = toplevel;
    else if (m_activeToplevel == toplevel)
        m_activeToplevel = nullptr;
    const std::lock_guard lock(m_mutex);
    if (m_activeToplevel && !m_activeToplevel->appId.isEmpty())
        m_activeAppId = m_activeToplevel->appId;
    else
        m_activeAppId.reset();
}

void WaylandSession::toplevelClosed(Toplevel *toplevel)
{
    if (m_activeToplevel == toplevel) {
        m_activeToplevel = nullptr;
        const std::lock_guard lock(m_mutex);
        m_activeAppId.reset();
    }
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    delete toplevel;
}

} // namespace quillet::platform
