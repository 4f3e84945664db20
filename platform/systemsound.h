// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillet::platform {

class SystemSound
{
public:
    virtual ~SystemSound() = default;
    // The desktop's alert sound.
    virtual void beep() = 0;
};

} // namespace quillet::platform
