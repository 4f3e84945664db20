// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "systemsound.h"

namespace quillet::platform {

class QtSystemSound final : public SystemSound
{
public:
    void beep() override;
};

} // namespace quillet::platform
