// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandclipboard.h"

#include "waylandsession.h"

namespace quillet::platform {

WaylandClipboard::WaylandClipboard(std::shared_ptr<WaylandSession> session)
    : m_session(std::move(session))
{
    m_session->setDelivery(delivery());
}

WaylandClipboard::~WaylandClipboard()
{
    // The session may outlive this object; it must not deliver to it.
    m_session->setDelivery({});
}

void WaylandClipboard::setWorkerWatching(bool watching, std::function<bool(QStringView)> enough)
{
    m_session->setWatching(watching, std::move(enough));
}

void WaylandClipboard::setWorkerText(TextToSet text, Selection selection)
{
    m_session->setText(std::move(text), selection);
}

} // namespace quillet::platform
