// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardread.h"
#include "common/queuedclipboard.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <vector>

struct pollfd;
struct wl_interface;
struct wl_proxy;
struct wl_registry;
struct wl_seat;

namespace quillet::platform {

class WaylandEventLoop;

// The clipboard through the compositor's data-control protocol (ext, else
// wlr: both have the same shape, so one code path serves both). It watches
// the seat's clipboard, reads each change's text, and offers our own texts.
// Everything but the setters runs on the session's thread.
class WaylandDataControl final
{
public:
    // The format that marks our own offers, so that they are not captured.
    static constexpr char ownMimeType[] = "application/x-quillet-own";

    explicit WaylandDataControl(WaylandEventLoop &loop);
    ~WaylandDataControl();
    WaylandDataControl(const WaylandDataControl &) = delete;
    WaylandDataControl &operator=(const WaylandDataControl &) = delete;

    // Binds the protocol's manager when `interface` names it; true if it did.
    bool bindGlobal(wl_registry *registry, std::uint32_t name, const char *interface,
                    std::uint32_t version);
    bool isAvailable() const { return m_manager != nullptr; }
    // Starts watching the clipboard of `seat`.
    void watchSeat(wl_seat *seat);

    // From the caller's thread.
    void setDelivery(ClipboardDelivery delivery);
    void setWatching(bool watching, std::function<bool(QStringView)> enough);

    // From the session's loop.
    void takeSelection(Selection selection, TextToSet text);
    // Tells the caller of the newest change, once per change.
    void deliverNotice();
    bool hasPendingChange() const { return m_next.has_value(); }
    // Reads the newest change and hands it over.
    void readPendingChange();
    // Nothing is waiting: a flood, if there was one, has ended.
    void becameIdle() { m_skipping = false; }
    // The pipes of readers of our own offers, to be polled for writing.
    void addWriteFds(std::vector<pollfd> &fds, std::chrono::steady_clock::time_point &earliest);
    void serveWrites(const pollfd *fds, std::size_t count);

    // Dispatch hooks used by the listeners; not for callers.
    struct Offer;
    void offerArrived(wl_proxy *offer);
    void selectionChanged(wl_proxy *offer);
    void deviceFinished();
    void sourceSend(wl_proxy *source, const char *mimeType, int fd);
    void sourceCancelled(wl_proxy *source);

private:
    using Clock = std::chrono::steady_clock;
    using Outcome = ClipboardRead::Outcome;
    struct PendingChange
    {
        std::uint64_t serial;
        Offer *offer; // null: the clipboard was emptied
    };
    struct PendingWrite
    {
        int fd;
        QByteArray bytes;
        qsizetype written = 0;
        Clock::time_point deadline;
    };
    struct OwnSource
    {
        wl_proxy *source = nullptr;
        QByteArray text;
    };

    ClipboardChange readChange(const PendingChange &change);
    Outcome receive(Offer *offer, const QString &mimeType,
                    const std::function<bool(QByteArrayView)> &sink);
    void destroyOffer(Offer *offer);
    OwnSource *ownSourceFor(wl_proxy *source);

    WaylandEventLoop &m_loop;
    wl_proxy *m_manager = nullptr;
    const wl_interface *m_deviceInterface = nullptr;
    const wl_interface *m_sourceInterface = nullptr;
    std::uint32_t m_version = 0;
    bool m_isExt = false;
    wl_proxy *m_device = nullptr;

    // Shared with the caller's thread.
    mutable std::mutex m_mutex;
    bool m_watching = false;
    std::function<bool(QStringView)> m_enough;
    ClipboardDelivery m_delivery;

    // The session thread's own.
    // Only the newest change waits to be read: those it replaced are no
    // longer on the clipboard.
    std::optional<PendingChange> m_next;
    bool m_skipping = false; // changes are being skipped since the last idle moment
    std::uint64_t m_serial = 0;
    std::uint64_t m_noticedSerial = 0;
    Clock::time_point m_readGiveUpAt;
    std::list<PendingWrite> m_writes;
    OwnSource m_own[2]; // by Selection
};

} // namespace quillet::platform
