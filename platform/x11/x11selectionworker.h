// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardread.h"
#include "common/queuedclipboard.h"

#include <QByteArray>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace quillet::platform {

// The CLIPBOARD selection on an X connection of its own, served by a thread
// of its own: it learns of every change of owner through XFixes, reads each
// change in turn, and owns the selection (and PRIMARY, when asked to) for
// this program's writes. No
// owner, however slow or hostile, can make the caller wait.
class X11SelectionWorker final
{
public:
    explicit X11SelectionWorker(ClipboardDelivery delivery);
    ~X11SelectionWorker();
    X11SelectionWorker(const X11SelectionWorker &) = delete;
    X11SelectionWorker &operator=(const X11SelectionWorker &) = delete;

    // Connects to `displayName` (empty: $DISPLAY) and starts the thread.
    // False, with a reason, when the display or XFixes is missing.
    bool start(const QByteArray &displayName, QString *reason);

    // Whether changes by others are read and delivered at all.
    void setWatching(bool watching, std::function<bool(QStringView)> enough);
    void setText(QByteArray utf8, Selection selection);

private:
    struct PendingChange
    {
        std::uint64_t serial;
        xcb_window_t owner;
        xcb_timestamp_t time;
        bool ownerGone;
    };
    using Outcome = ClipboardRead::Outcome;
    // Receives the bytes of a transfer as they arrive; false stops it.
    using Sink = std::function<bool(QByteArrayView bytes, xcb_atom_t type)>;

    void run();
    bool dispatchUntil(std::chrono::steady_clock::time_point deadline);
    void handleEvent(const xcb_generic_event_t &event);
    void handleCommands();
    void noticeChange(xcb_window_t owner, xcb_timestamp_t time, bool ownerGone);
    void deliverNotice();
    void serve(const xcb_selection_request_event_t &request);
    bool serveTarget(const xcb_selection_request_event_t &request, xcb_atom_t property,
                     const QByteArray &text);
    void takeOwnership(Selection selection, QByteArray utf8);

    ClipboardChange readChange(const PendingChange &change);
    std::optional<QByteArray> readSmall(xcb_window_t window, xcb_atom_t target,
                                        xcb_timestamp_t time, Outcome *outcome);
    std::optional<QString> readText(xcb_window_t window, const QList<xcb_atom_t> &targets,
                                    xcb_timestamp_t time, Outcome *outcome);
    Outcome transfer(xcb_window_t window, xcb_atom_t target, xcb_timestamp_t time,
                     const Sink &sink);
    Outcome receiveIncrementally(xcb_window_t window, const Sink &sink);
    bool readProperty(xcb_window_t window, const Sink &sink, bool *incremental);
    std::optional<xcb_generic_event_t>
    awaitReadEvent(const std::function<bool(const xcb_generic_event_t &)> &matches,
                   Outcome *failure);
    QStringList atomNames(const QList<xcb_atom_t> &atoms);
    xcb_atom_t internAtom(const char *name);

    ClipboardDelivery m_delivery;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    xcb_window_t m_window = XCB_NONE; // owns our writes, hears XFixes
    std::uint8_t m_xfixesEvent = 0;
    int m_wakeFd = -1;
    std::thread m_thread;

    struct Atoms
    {
        xcb_atom_t clipboard, targets, utf8String, textPlainUtf8, text, incr, property, hint;
    } m_atoms{};

    // Shared with the caller's thread.
    std::mutex m_mutex;
    bool m_stopRequested = false;
    std::optional<QByteArray> m_textToSet[2];
    bool m_watching = false;
    std::function<bool(QStringView)> m_enough;

    // The worker thread's own. Only the newest change waits to be read:
    // those it replaced are no longer on the clipboard.
    std::optional<PendingChange> m_next;
    bool m_skipping = false; // changes are being skipped since the last idle moment
    std::uint64_t m_noticedSerial = 0;
    std::chrono::steady_clock::time_point m_readGiveUpAt;
    std::deque<xcb_generic_event_t> m_readEvents;
    xcb_window_t m_readWindow = XCB_NONE;
    std::uint64_t m_serial = 0;
    struct Owned
    {
        xcb_atom_t selection = XCB_NONE;
        QByteArray text;
        bool owned = false;
    };
    Owned m_owned[2]; // by Selection
    Owned *ownedFor(xcb_atom_t selection);
    bool m_stopping = false;
};

} // namespace quillet::platform
