// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clipboardread.h"

#include <QByteArray>
#include <QList>

#include <xcb/xcb.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace quillet::platform {

// Asks the owner of the CLIPBOARD selection for its content, one format at a
// time, on behalf of the thread that runs the X connection's event loop.
// While it waits for the owner it keeps that loop going, so that this
// program still answers others, and it gives up on an owner that stalls,
// takes too long, or is replaced.
class X11SelectionReader final
{
public:
    using Clock = std::chrono::steady_clock;
    using Outcome = ClipboardRead::Outcome;
    // Receives the bytes of a transfer as they arrive, with their type and
    // unit size in bits; false stops it.
    using Sink = std::function<bool(QByteArrayView bytes, xcb_atom_t type, std::uint8_t format)>;

    // What a reader needs of the event loop it runs in.
    struct Loop
    {
        // Handles what arrives until `deadline`; false when nothing did.
        std::function<bool(Clock::time_point deadline)> dispatchUntil;
        // Why the read must end at once, if it must.
        std::function<std::optional<Outcome>()> interruption;
    };
    struct Atoms
    {
        xcb_atom_t clipboard, property, incr;
    };

    // The requests of one read come from a window of its own, made for as
    // long as this lives: destroying it cuts off a transfer still running,
    // and a late answer of the owner goes nowhere.
    class Session final
    {
    public:
        Session(X11SelectionReader &reader, Clock::time_point giveUpAt);
        ~Session();
        Session(const Session &) = delete;
        Session &operator=(const Session &) = delete;

    private:
        X11SelectionReader &m_reader;
    };

    X11SelectionReader(xcb_connection_t *connection, xcb_window_t root, Atoms atoms, Loop loop);

    // Keeps an event that the running session waits for; false for others.
    bool offer(const xcb_generic_event_t &event);

    // Asks the owner for `target` and feeds the answer to `sink`.
    Outcome transfer(xcb_atom_t target, xcb_timestamp_t time, const Sink &sink);
    // A small answer whole (a list of targets, a hint); none when it is not.
    std::optional<QByteArray> readSmall(xcb_atom_t target, xcb_timestamp_t time, Outcome *outcome);
    QList<xcb_atom_t> readAtoms(xcb_atom_t target, xcb_timestamp_t time, Outcome *outcome);

private:
    Outcome receiveIncrementally(const Sink &sink);
    bool readProperty(const Sink &sink, bool *incremental);
    std::optional<xcb_generic_event_t>
    awaitEvent(const std::function<bool(const xcb_generic_event_t &)> &matches, Outcome *failure);

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    Atoms m_atoms;
    Loop m_loop;
    xcb_window_t m_window = XCB_NONE; // while a session runs
    Clock::time_point m_giveUpAt;
    std::deque<xcb_generic_event_t> m_events;
};

} // namespace quillet::platform
