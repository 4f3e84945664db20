// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"

namespace quillet::platform {

// Wall-clock time.
class SystemClock final : public Clock
{
public:
    Timestamp now() const override;
};

} // namespace quillet::platform
