// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <xcb/xcb.h>

#include <chrono>
#include <vector>

namespace quillet::platform {

// A property's value as the X server keeps it: a type, and bytes in units of
// 8, 16 or 32 bits.
struct X11PropertyValue
{
    xcb_atom_t type = XCB_NONE;
    std::uint8_t format = 8;
    QByteArray bytes;
};

// Writes the answers of a selection owner into requestors' properties: in
// one request where the value fits, else in pieces, each written once the
// requestor has deleted the one before (INCR). A requestor that stops
// deleting is given up after a while.
class X11PropertyWriter final
{
public:
    X11PropertyWriter(xcb_connection_t *connection, xcb_atom_t incr);

    void write(xcb_window_t requestor, xcb_atom_t property, X11PropertyValue value);
    // Writes the next piece where `notify` is the deletion one waits for;
    // false when it is no concern of this writer.
    bool continueAfter(const xcb_property_notify_event_t &notify);

private:
    struct Transfer
    {
        xcb_window_t requestor;
        xcb_atom_t property;
        X11PropertyValue value;
        qsizetype sent;
        std::chrono::steady_clock::time_point stalledAt;
    };
    qsizetype pieceBytes() const;
    void writePiece(xcb_window_t requestor, xcb_atom_t property, const X11PropertyValue &value,
                    qsizetype from, qsizetype size);

    xcb_connection_t *m_connection;
    xcb_atom_t m_incr;
    std::vector<Transfer> m_transfers;
};

} // namespace quillet::platform
