// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11selectionreader.h"

#include "xcbreply.h"

#include <cstring>

namespace quillet::platform {

namespace {

// TARGETS lists and password hints are small; anything larger is hostile.
constexpr qsizetype maxSmallBytes = 64 * 1024;
// Reads of a long property go in steps of this many 32-bit units.
constexpr std::uint32_t propertyStepLongs = 256 * 1024;

std::uint8_t eventType(const xcb_generic_event_t &event)
{
    return event.response_type & 0x7f;
}

} // namespace

X11SelectionReader::Session::Session(X11SelectionReader &reader, Clock::time_point giveUpAt)
    : m_reader(reader)
{
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    reader.m_window = xcb_generate_id(reader.m_connection);
    xcb_create_window(reader.m_connection, XCB_COPY_FROM_PARENT, reader.m_window, reader.m_root, 0,
                      0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_EVENT_MASK, &mask);
    reader.m_giveUpAt = giveUpAt;
    reader.m_events.clear();
}

X11SelectionReader::Session::~Session()
{
    xcb_destroy_window(m_reader.m_connection, m_reader.m_window);
    xcb_flush(m_reader.m_connection);
    m_reader.m_window = XCB_NONE;
    m_reader.m_events.clear();
}

X11SelectionReader::X11SelectionReader(xcb_connection_t *connection, xcb_window_t root, Atoms atoms,
                                       Loop loop)
    : m_connection(connection), m_root(root), m_atoms(atoms), m_loop(std::move(loop))
{}

bool X11SelectionReader::offer(const xcb_generic_event_t &event)
{
    const std::uint8_t type = eventType(event);
    if (m_window == XCB_NONE || (type != XCB_SELECTION_NOTIFY && type != XCB_PROPERTY_NOTIFY))
        return false;
    m_events.push_back(event);
    return true;
}

std::optional<QByteArray> X11SelectionReader::readSmall(xcb_atom_t target, xcb_timestamp_t time,
                                                        Outcome *outcome)
{
    QByteArray bytes;
    bool tooLarge = false;
    *outcome = transfer(target, time, [&](QByteArrayView chunk, xcb_atom_t, std::uint8_t) {
        bytes.append(chunk);
        tooLarge = bytes.size() > maxSmallBytes;
        return !tooLarge;
    });
    if (*outcome != Outcome::Done || tooLarge)
        return std::nullopt;
    return bytes;
}

QList<xcb_atom_t> X11SelectionReader::readAtoms(xcb_atom_t target, xcb_timestamp_t time,
                                                Outcome *outcome)
{
    QList<xcb_atom_t> atoms;
    if (const auto list = readSmall(target, time, outcome)) {
        for (qsizetype i = 0; i + 4 <= list->size(); i += 4) {
            xcb_atom_t atom = XCB_NONE;
            std::memcpy(&atom, list->constData() + i, sizeof atom);
            atoms << atom;
        }
    }
    return atoms;
}

// Incrementally where the owner sends it so.
X11SelectionReader::Outcome X11SelectionReader::transfer(xcb_atom_t target, xcb_timestamp_t time,
                                                         const Sink &sink)
{
    xcb_delete_property(m_connection, m_window, m_atoms.property);
    xcb_convert_selection(m_connection, m_window, m_atoms.clipboard, target, m_atoms.property,
                          time);
    xcb_flush(m_connection);
    Outcome failure = Outcome::TimedOut;
    const auto notify = awaitEvent(
        [&](const xcb_generic_event_t &event) {
            if (eventType(event) != XCB_SELECTION_NOTIFY)
                return false;
            const auto &n = reinterpret_cast<const xcb_selection_notify_event_t &>(event);
            return n.requestor == m_window && n.selection == m_atoms.clipboard &&
                   n.target == target;
        },
        &failure);
    if (!notify)
        return failure;
    if (reinterpret_cast<const xcb_selection_notify_event_t &>(*notify).property == XCB_NONE)
        return Outcome::Refused;
    bool incremental = false;
    if (!readProperty(sink, &incremental))
        return Outcome::Done; // the sink has what it wants
    return incremental ? receiveIncrementally(sink) : Outcome::Done;
}

// Reads the whole property into `sink` and deletes it. False when the sink
// asked to stop.
bool X11SelectionReader::readProperty(const Sink &sink, bool *incremental)
{
    std::uint32_t offset = 0;
    for (;;) {
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, m_window, m_atoms.property, XCB_GET_PROPERTY_TYPE_ANY,
                             offset, propertyStepLongs),
            nullptr));
        if (!reply)
            return true;
        if (reply->type == m_atoms.incr) {
            *incremental = true;
            break;
        }
        const auto length = xcb_get_property_value_length(reply.get());
        const QByteArrayView chunk(static_cast<const char *>(xcb_get_property_value(reply.get())),
                                   length);
        if (length > 0 && !sink(chunk, reply->type, reply->format))
            return false;
        if (reply->bytes_after == 0 || length == 0)
            break;
        offset += static_cast<std::uint32_t>(length) / 4;
    }
    // For INCR, deleting the property asks the owner for the first chunk.
    xcb_delete_property(m_connection, m_window, m_atoms.property);
    xcb_flush(m_connection);
    return true;
}

X11SelectionReader::Outcome X11SelectionReader::receiveIncrementally(const Sink &sink)
{
    for (;;) {
        Outcome failure = Outcome::TimedOut;
        const auto newValue = awaitEvent(
            [&](const xcb_generic_event_t &event) {
                if (eventType(event) != XCB_PROPERTY_NOTIFY)
                    return false;
                const auto &n = reinterpret_cast<const xcb_property_notify_event_t &>(event);
                return n.window == m_window && n.atom == m_atoms.property &&
                       n.state == XCB_PROPERTY_NEW_VALUE;
            },
            &failure);
        if (!newValue)
            return failure;
        // Read whole and deleted in one request: the deletion asks for more.
        const XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 1, m_window, m_atoms.property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
                                   nullptr));
        xcb_flush(m_connection);
        if (!reply)
            return Outcome::Done;
        const auto length = xcb_get_property_value_length(reply.get());
        if (length == 0)
            return Outcome::Done;
        if (!sink(QByteArrayView(static_cast<const char *>(xcb_get_property_value(reply.get())),
                                 length),
                  reply->type, reply->format))
            return Outcome::Done;
    }
}

std::optional<xcb_generic_event_t>
X11SelectionReader::awaitEvent(const std::function<bool(const xcb_generic_event_t &)> &matches,
                               Outcome *failure)
{
    // The deadline counts from the last sign of life of the transfer, within
    // the limit of the whole read.
    const auto stalledAt = Clock::now() + ClipboardRead::stallTimeout;
    const auto deadline = std::min(stalledAt, m_giveUpAt);
    for (;;) {
        while (!m_events.empty()) {
            const xcb_generic_event_t event = m_events.front();
            m_events.pop_front();
            if (matches(event))
                return event;
        }
        if (const std::optional<Outcome> interruption = m_loop.interruption()) {
            *failure = *interruption;
            return std::nullopt;
        }
        if (!m_loop.dispatchUntil(deadline) && Clock::now() >= deadline) {
            *failure = deadline == stalledAt ? Outcome::TimedOut : Outcome::TooSlow;
            return std::nullopt;
        }
    }
}

} // namespace quillet::platform
