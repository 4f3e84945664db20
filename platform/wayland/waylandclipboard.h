// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/queuedclipboard.h"

#include <memory>

namespace quillet::platform {

class WaylandSession;

// The clipboard through the compositor's data-control protocol, read and
// written on the Wayland session's thread.
class WaylandClipboard final : public QueuedClipboard
{
public:
    // The session must offer data control.
    explicit WaylandClipboard(std::shared_ptr<WaylandSession> session);
    ~WaylandClipboard() override;

private:
    void setWorkerWatching(bool watching, std::function<bool(QStringView)> enough) override;
    void setWorkerText(TextToSet text, Selection selection) override;

    std::shared_ptr<WaylandSession> m_session;
};

} // namespace quillet::platform
