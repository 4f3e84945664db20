// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillet::platform {

// Seconds since 2001-01-01 00:00:00 UTC, as a double: the time stamp that the
// history keeps in memory and writes to its file.
using Timestamp = double;

// Unix time of the 2001-01-01 reference instant.
inline constexpr double referenceDateUnixOffset = 978307200.0;

class Clock
{
public:
    virtual ~Clock() = default;
    virtual Timestamp now() const = 0;
};

} // namespace quillet::platform
