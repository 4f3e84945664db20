// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylanddatacontrol.h"

#include "log.h"
#include "textaccumulator.h"
#include "waylandeventloop.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <unistd.h>

namespace quillet::platform {

struct WaylandDataControl::Offer
{
    wl_proxy *proxy;
    QStringList mimeTypes;
};

namespace {

// Requests of the data-control interfaces, by their number, the same in
// both protocols.
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

WaylandDataControl *dataControlOf(void *data)
{
    return static_cast<WaylandDataControl *>(data);
}

void destroyProxy(wl_proxy *proxy, std::uint32_t opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy),
                           WL_MARSHAL_FLAG_DESTROY);
}

template <typename Listener> void addListener(wl_proxy *proxy, const Listener &listener, void *data)
{
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)()>(const_cast<Listener *>(&listener)),
                          data);
}

// The wlr listeners serve the ext objects too: their events are the same.
const zwlr_data_control_offer_v1_listener offerListener = {
    [](void *data, zwlr_data_control_offer_v1 *, const char *mimeType) {
        static_cast<WaylandDataControl::Offer *>(data)->mimeTypes << QString::fromUtf8(mimeType);
    },
};

const zwlr_data_control_device_v1_listener deviceListener = {
    [](void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
        dataControlOf(data)->offerArrived(reinterpret_cast<wl_proxy *>(offer));
    },
    [](void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
        dataControlOf(data)->selectionChanged(reinterpret_cast<wl_proxy *>(offer));
    },
    [](void *data, zwlr_data_control_device_v1 *) { dataControlOf(data)->deviceFinished(); },
    // The primary selection is not watched: its offers are let go at once.
    [](void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer) {
        if (!offer)
            return;
        auto *proxy = reinterpret_cast<wl_proxy *>(offer);
        delete static_cast<WaylandDataControl::Offer *>(wl_proxy_get_user_data(proxy));
        destroyProxy(proxy, offerDestroy);
    },
};

const zwlr_data_control_source_v1_listener sourceListener = {
    [](void *data, zwlr_data_control_source_v1 *source, const char *mimeType, int32_t fd) {
        dataControlOf(data)->sourceSend(reinterpret_cast<wl_proxy *>(source), mimeType, fd);
    },
    [](void *data, zwlr_data_control_source_v1 *source) {
        dataControlOf(data)->sourceCancelled(reinterpret_cast<wl_proxy *>(source));
    },
};

} // namespace

WaylandDataControl::WaylandDataControl(WaylandEventLoop &loop) : m_loop(loop) {}

WaylandDataControl::~WaylandDataControl()
{
    if (m_next)
        destroyOffer(m_next->offer);
    for (const PendingWrite &write : m_writes)
        ::close(write.fd);
}

bool WaylandDataControl::bindGlobal(wl_registry *registry, std::uint32_t name,
                                    const char *interface, std::uint32_t version)
{
    const std::string_view global(interface);
    auto bind = [&](const wl_interface *wanted, std::uint32_t highest) {
        m_version = std::min(version, highest);
        m_manager = static_cast<wl_proxy *>(wl_registry_bind(registry, name, wanted, m_version));
    };
    if (global == ext_data_control_manager_v1_interface.name) {
        // The ext protocol, where both are offered.
        if (m_manager && !m_isExt)
            destroyProxy(m_manager, managerDestroy);
        bind(&ext_data_control_manager_v1_interface, 1);
        m_deviceInterface = &ext_data_control_device_v1_interface;
        m_sourceInterface = &ext_data_control_source_v1_interface;
        m_isExt = true;
        return true;
    }
    if (global == zwlr_data_control_manager_v1_interface.name) {
        if (!m_manager) {
            bind(&zwlr_data_control_manager_v1_interface, 2);
            m_deviceInterface = &zwlr_data_control_device_v1_interface;
            m_sourceInterface = &zwlr_data_control_source_v1_interface;
        }
        return true;
    }
    return false;
}

void WaylandDataControl::watchSeat(wl_seat *seat)
{
    m_device = wl_proxy_marshal_flags(m_manager, managerGetDataDevice, m_deviceInterface, m_version,
                                      0, nullptr, seat);
    addListener(m_device, deviceListener, this);
}

void WaylandDataControl::setDelivery(ClipboardDelivery delivery)
{
    const std::lock_guard lock(m_mutex);
    m_delivery = std::move(delivery);
}

void WaylandDataControl::setWatching(bool watching, std::function<bool(QStringView)> enough)
{
    const std::lock_guard lock(m_mutex);
    m_watching = watching;
    m_enough = std::move(enough);
}

WaylandDataControl::OwnSource *WaylandDataControl::ownSourceFor(wl_proxy *source)
{
    for (OwnSource &own : m_own) {
        if (own.source == source)
            return &own;
    }
    return nullptr;
}

void WaylandDataControl::takeSelection(Selection selection, TextToSet text)
{
    const bool primary = selection == Selection::Primary;
    if (!m_device || (primary && !m_isExt && m_version < 2))
        return;
    if (text.unlessChangedAfter != 0 && text.unlessChangedAfter != m_serial)
        return; // another program copied meanwhile
    OwnSource &own = m_own[int(selection)];
    own.text = std::move(text.utf8);
    wl_proxy *source = wl_proxy_marshal_flags(m_manager, managerCreateDataSource, m_sourceInterface,
                                              m_version, 0, nullptr);
    addListener(source, sourceListener, this);
    for (const char *mimeType : textMimeTypes)
        wl_proxy_marshal_flags(source, sourceOffer, nullptr, m_version, 0, mimeType);
    wl_proxy_marshal_flags(source, sourceOffer, nullptr, m_version, 0, ownMimeType);
    wl_proxy_marshal_flags(m_device, primary ? deviceSetPrimarySelection : deviceSetSelection,
                           nullptr, m_version, 0, source);
    m_loop.flush();
    own.source = source;
}

void WaylandDataControl::sourceSend(wl_proxy *source, const char *mimeType, int fd)
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

void WaylandDataControl::addWriteFds(std::vector<pollfd> &fds, Clock::time_point &earliest)
{
    for (const PendingWrite &write : m_writes) {
        fds.push_back({write.fd, POLLOUT, 0});
        earliest = std::min(earliest, write.deadline);
    }
}

void WaylandDataControl::serveWrites(const pollfd *fds, std::size_t count)
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

void WaylandDataControl::sourceCancelled(wl_proxy *source)
{
    if (OwnSource *own = ownSourceFor(source))
        *own = {};
    destroyProxy(source, sourceDestroy);
}

void WaylandDataControl::offerArrived(wl_proxy *offer)
{
    addListener(offer, offerListener, new Offer{offer, {}});
}

void WaylandDataControl::selectionChanged(wl_proxy *proxy)
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
void WaylandDataControl::deliverNotice()
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

void WaylandDataControl::deviceFinished()
{
    logLine(QStringLiteral("the compositor stopped the clipboard's data control; the "
                           "clipboard is no longer watched"));
    destroyProxy(m_device, deviceDestroy);
    m_device = nullptr;
}

void WaylandDataControl::destroyOffer(Offer *offer)
{
    if (!offer)
        return;
    destroyProxy(offer->proxy, offerDestroy);
    delete offer;
}

void WaylandDataControl::readPendingChange()
{
    const PendingChange change = *m_next;
    m_next.reset();
    ClipboardChange result = readChange(change);
    destroyOffer(change.offer);
    std::function<void(ClipboardChange)> read;
    {
        const std::lock_guard lock(m_mutex);
        read = m_delivery.read;
    }
    if (read && !m_loop.isStopping())
        read(std::move(result));
}

ClipboardChange WaylandDataControl::readChange(const PendingChange &change)
{
    ClipboardChange result;
    result.serial = change.serial;
    // Data control tells no quitting owner from an emptied clipboard; the
    // selection goes empty when its owner ends.
    result.ownerGone = !change.offer;
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
// arrives to `sink` until the owner closes it or `sink` has enough. The
// connection stays dispatched meanwhile, so that a newer change is seen.
WaylandDataControl::Outcome
WaylandDataControl::receive(Offer *offer, const QString &mimeType,
                            const std::function<bool(QByteArrayView)> &sink)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return Outcome::Lost;
    const QByteArray type = mimeType.toUtf8();
    wl_proxy_marshal_flags(offer->proxy, offerReceive, nullptr, m_version, 0, type.constData(),
                           fds[1]);
    m_loop.flush();
    ::close(fds[1]);
    Outcome outcome = Outcome::Done;
    auto stalledAt = Clock::now() + ClipboardRead::stallTimeout;
    char buffer[64 * 1024];
    for (;;) {
        bool readable = false;
        const auto deadline = std::min(stalledAt, m_readGiveUpAt);
        m_loop.dispatchUntil(deadline, fds[0], &readable);
        if (m_loop.isStopping()) {
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

} // namespace quillet::platform
