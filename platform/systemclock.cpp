// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemclock.h"

#include <ctime>

namespace quillet::platform {

Timestamp SystemClock::now() const
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return (static_cast<double>(ts.tv_sec) - referenceDateUnixOffset) +
           static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace quillet::platform
