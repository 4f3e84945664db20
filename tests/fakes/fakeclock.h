// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clock.h"

namespace quillet::tests {

// A clock that stands still until the test moves it.
class FakeClock final : public platform::Clock
{
public:
    explicit FakeClock(platform::Timestamp start = 800000000.0) : m_now(start) {}
    platform::Timestamp now() const override { return m_now; }
    void set(platform::Timestamp now) { m_now = now; }
    void advance(double seconds) { m_now += seconds; }

private:
    platform::Timestamp m_now;
};

} // namespace quillet::tests
