// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11propertywriter.h"

#include "clipboardread.h"

#include <algorithm>

namespace quillet::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Values larger than this go in pieces of this size.
constexpr qsizetype maxPieceBytes = 1024 * 1024;
// Requestors reading in pieces at once; the oldest is dropped beyond this.
constexpr std::size_t maxTransfers = 16;

} // namespace

X11PropertyWriter::X11PropertyWriter(xcb_connection_t *connection, xcb_atom_t incr)
    : m_connection(connection), m_incr(incr)
{}

qsizetype X11PropertyWriter::pieceBytes() const
{
    return std::min<qsizetype>(maxPieceBytes,
                               qsizetype(xcb_get_maximum_request_length(m_connection)) * 4 - 64);
}

void X11PropertyWriter::writePiece(xcb_window_t requestor, xcb_atom_t property,
                                   const X11PropertyValue &value, qsizetype from, qsizetype size)
{
    const qsizetype unitBytes = std::max(1, value.format / 8);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, value.type,
                        value.format, static_cast<std::uint32_t>(size / unitBytes),
                        value.bytes.constData() + from);
}

void X11PropertyWriter::write(xcb_window_t requestor, xcb_atom_t property, X11PropertyValue value)
{
    if (value.bytes.size() <= pieceBytes()) {
        writePiece(requestor, property, value, 0, value.bytes.size());
        return;
    }
    const auto now = Clock::now();
    std::erase_if(m_transfers, [&](const Transfer &t) { return t.stalledAt < now; });
    if (m_transfers.size() >= maxTransfers)
        m_transfers.erase(m_transfers.begin());
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, &mask);
    const auto size = static_cast<std::uint32_t>(value.bytes.size());
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, m_incr, 32, 1,
                        &size);
    m_transfers.push_back(
        {requestor, property, std::move(value), 0, now + ClipboardRead::stallTimeout});
}

bool X11PropertyWriter::continueAfter(const xcb_property_notify_event_t &notify)
{
    if (notify.state != XCB_PROPERTY_DELETE)
        return false;
    const auto transfer = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const auto &t) {
        return t.requestor == notify.window && t.property == notify.atom;
    });
    if (transfer == m_transfers.end())
        return false;
    // An empty piece ends the transfer.
    const qsizetype size = std::min(pieceBytes(), transfer->value.bytes.size() - transfer->sent);
    writePiece(transfer->requestor, transfer->property, transfer->value, transfer->sent, size);
    transfer->sent += size;
    transfer->stalledAt = Clock::now() + ClipboardRead::stallTimeout;
    if (size == 0) {
        const xcb_window_t requestor = transfer->requestor;
        m_transfers.erase(transfer);
        if (std::none_of(m_transfers.begin(), m_transfers.end(),
                         [&](const auto &t) { return t.requestor == requestor; })) {
            const std::uint32_t none = 0;
            xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, &none);
        }
    }
    xcb_flush(m_connection);
    return true;
}

} // namespace quillet::platform
