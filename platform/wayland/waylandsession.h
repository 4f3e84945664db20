// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardread.h"
#include "pasteshortcut.h"
#include "qt/queuedclipboard.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_proxy;
struct wl_interface;
struct pollfd;

namespace quillet::platform {

class WaylandVirtualKeyboard;

// The program's own connection to the Wayland compositor, dispatched on a
// thread of its own and never on the main thread (a program that owns the
// clipboard and pastes into its own window would otherwise wait for
// itself). Through it: the clipboard by data control (ext, else wlr), the
// application in front by the wlr foreign-toplevel protocol, and key presses
// by the wlroots virtual keyboard, where the compositor offers them.
class WaylandSession final
{
public:
    // The format that marks our own offers, so that they are not captured.
    static constexpr char ownMimeType[] = "application/x-quillet-own";

    WaylandSession();
    ~WaylandSession();
    WaylandSession(const WaylandSession &) = delete;
    WaylandSession &operator=(const WaylandSession &) = delete;

    // Connects to $WAYLAND_DISPLAY, learns what the compositor offers and
    // starts the thread. False, with a reason, where no compositor answers.
    bool start(QString *reason);

    bool hasDataControl() const { return m_dataControl.manager != nullptr; }
    bool hasForeignToplevel() const { return m_toplevelManager != nullptr; }
    bool hasVirtualKeyboard() const { return m_keyboardManager != nullptr && m_seat; }
    // The name of the data-control protocol in use.
    QString dataControlName() const;

    // Clipboard: deliveries happen on the session's thread.
    void setDelivery(ClipboardDelivery delivery);
    void setWatching(bool watching, std::function<bool(QStringView)> enough);
    void setText(QByteArray utf8, Selection selection);
    // Posts the keys of `shortcut` on a virtual keyboard of our own.
    void postKeys(PasteShortcut shortcut);

    // The app id of the activated toplevel; none when none is known.
    std::optional<QString> activeAppId() const;

    // Dispatch hooks used by the listeners; not for callers.
    struct Offer;
    struct Toplevel;
    void offerArrived(wl_proxy *offer);
    void selectionChanged(wl_proxy *offer);
    void dataDeviceFinished();
    void sourceSend(wl_proxy *source, const char *mimeType, int fd);
    void sourceCancelled(wl_proxy *source);
    void toplevelArrived(wl_proxy *handle);
    void toplevelDone(Toplevel *toplevel);
    void toplevelClosed(Toplevel *toplevel);
    void registryGlobal(wl_registry *registry, std::uint32_t name, const char *interface,
                        std::uint32_t version);

private:
    struct DataControl
    {
        wl_proxy *manager = nullptr;
        const wl_interface *managerInterface = nullptr;
        const wl_interface *deviceInterface = nullptr;
        const wl_interface *sourceInterface = nullptr;
        const wl_interface *offerInterface = nullptr;
        std::uint32_t version = 0;
        bool isExt = false;
    };
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
        std::chrono::steady_clock::time_point deadline;
    };
    using Outcome = ClipboardRead::Outcome;

    void run();
    bool dispatchUntil(std::chrono::steady_clock::time_point deadline, int readFd, bool *readable);
    void handleCommands();
    void serveWrites(const pollfd *fds, std::size_t count);
    void takeSelection(Selection selection, QByteArray utf8);
    void postPendingKeys(const std::vector<PasteShortcut> &shortcuts);
    ClipboardChange readChange(const PendingChange &change);
    Outcome receive(Offer *offer, const QString &mimeType,
                    const std::function<bool(QByteArrayView)> &sink);
    void deliverNotice();
    void destroyOffer(Offer *offer);
    void connectionLost();

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    DataControl m_dataControl;
    wl_proxy *m_device = nullptr;
    wl_proxy *m_toplevelManager = nullptr;
    wl_proxy *m_keyboardManager = nullptr;
    std::unique_ptr<WaylandVirtualKeyboard> m_keyboard;
    int m_wakeFd = -1;
    std::thread m_thread;

    // Shared with the caller's thread.
    mutable std::mutex m_mutex;
    bool m_stopRequested = false;
    std::optional<QByteArray> m_textToSet[2]; // by Selection
    std::vector<PasteShortcut> m_keysToPost;
    bool m_watching = false;
    std::function<bool(QStringView)> m_enough;
    ClipboardDelivery m_delivery;
    std::optional<QString> m_activeAppId;

    // The session thread's own.
    // Only the newest change waits to be read: those it replaced are no
    // longer on the clipboard.
    std::optional<PendingChange> m_next;
    bool m_skipping = false; // changes are being skipped since the last idle moment
    std::uint64_t m_noticedSerial = 0;
    std::chrono::steady_clock::time_point m_readGiveUpAt;
    std::list<PendingWrite> m_writes;
    struct OwnSource
    {
        wl_proxy *source = nullptr;
        QByteArray text;
    };
    OwnSource m_own[2]; // by Selection
    OwnSource *ownSourceFor(wl_proxy *source);
    Toplevel *m_activeToplevel = nullptr;
    std::uint64_t m_serial = 0;
    bool m_stopping = false;
};

} // namespace quillet::platform
