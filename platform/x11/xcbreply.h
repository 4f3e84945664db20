// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <memory>

namespace quillet::platform {

struct FreeDeleter
{
    void operator()(void *reply) const { std::free(reply); }
};

// Owns an xcb reply or error, which xcb allocates with malloc.
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

} // namespace quillet::platform
