// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardread.h"
#include "common/queuedclipboard.h"
#include "x11propertywriter.h"
#include "x11selectionreader.h"

#include <QByteArray>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quillet::platform {

// The CLIPBOARD selection on an X connection of its own, served by a thread
// of its own: it learns of every change of owner through XFixes, reads each
// change in turn, and owns the selection (and PRIMARY, when asked to) for
// this program's writes. Where no other program does, it is the display's
// clipboard manager: a program that quits hands its clipboard over, in all
// its formats, and the worker serves them from then on. No owner, however
// slow or hostile, can make the caller wait.
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
    void setText(TextToSet text, Selection selection);
    void setKeepable(std::uint64_t serial, bool keepable);

private:
    struct PendingChange
    {
        std::uint64_t serial;
        xcb_window_t owner;
        xcb_timestamp_t time;
        bool ownerGone;
    };
    using Clock = std::chrono::steady_clock;
    using Outcome = ClipboardRead::Outcome;
    // One format of a copy handed over by a quitting program.
    struct SavedFormat
    {
        xcb_atom_t target = XCB_NONE;
        X11PropertyValue value;
    };

    void run();
    bool dispatchUntil(Clock::time_point deadline);
    void handleEvent(const xcb_generic_event_t &event);
    void handleCommands();
    void noticeChange(xcb_window_t owner, xcb_timestamp_t time, bool ownerGone);
    void deliverNotice();
    void serve(const xcb_selection_request_event_t &request);
    void answer(const xcb_selection_request_event_t &request, xcb_atom_t property);
    struct Owned;
    bool serveTarget(const xcb_selection_request_event_t &request, xcb_atom_t property,
                     const Owned &owned);
    void takeOwnership(Selection selection, QByteArray utf8);

    void becomeClipboardManager();
    void takeOver(const xcb_selection_request_event_t &request);
    bool awaitKeepable();
    std::vector<SavedFormat> saveFormats(const xcb_selection_request_event_t &request);
    std::optional<QList<xcb_atom_t>> formatsToSave(const xcb_selection_request_event_t &request,
                                                   Clock::time_point giveUpAt, Outcome *outcome);
    QList<xcb_atom_t> formatsNamedBy(const xcb_selection_request_event_t &request);
    QList<xcb_atom_t> inSavingOrder(const QList<xcb_atom_t> &formats) const;
    std::optional<SavedFormat> saveFormat(xcb_atom_t target, Clock::time_point giveUpAt,
                                          qsizetype budget, Outcome *outcome, bool *cut);

    ClipboardChange readChange(const PendingChange &change);
    std::optional<QString> readText(const QList<xcb_atom_t> &targets, xcb_timestamp_t time,
                                    Outcome *outcome);
    bool isSecret(xcb_timestamp_t time, Outcome *outcome);
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
        xcb_atom_t clipboard, targets, utf8String, textPlainUtf8, text, incr, property, hint,
            clipboardManager, saveTargets, manager, multiple, timestamp;
    } m_atoms{};

    // Shared with the caller's thread.
    std::mutex m_mutex;
    bool m_stopRequested = false;
    std::optional<TextToSet> m_textToSet[2];
    bool m_watching = false;
    std::function<bool(QStringView)> m_enough;
    // The last change the main thread has judged, and whether its copy may
    // be taken over when its program quits.
    std::uint64_t m_judgedSerial = 0;
    bool m_judgedKeepable = false;

    // The worker thread's own. Only the newest change waits to be read:
    // those it replaced are no longer on the clipboard.
    std::optional<PendingChange> m_next;
    bool m_skipping = false; // changes are being skipped since the last idle moment
    std::uint64_t m_noticedSerial = 0;
    std::optional<X11SelectionReader> m_reader;
    std::uint64_t m_serial = 0;
    struct Owned
    {
        xcb_atom_t selection = XCB_NONE;
        QByteArray text;
        std::vector<SavedFormat> saved; // served instead of `text` when any
        bool owned = false;
    };
    Owned m_owned[2]; // by Selection
    Owned *ownedFor(xcb_atom_t selection);
    std::optional<X11PropertyWriter> m_writer;
    bool m_isManager = false; // owns CLIPBOARD_MANAGER
    std::optional<xcb_selection_request_event_t> m_takeOverRequest;
    bool m_takingOver = false;
    bool m_stopping = false;
};

} // namespace quillet::platform
