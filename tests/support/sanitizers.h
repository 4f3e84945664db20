// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillet::tests {

// AddressSanitizer keeps freed memory aside (hundreds of MB) before reusing
// it, so resident memory says nothing about a leak there: memory bounds are
// checked in the plain build, and only printed under the sanitizers.
#ifdef QUILLET_SANITIZED
constexpr bool residentMemoryIsMeaningful = false;
#else
constexpr bool residentMemoryIsMeaningful = true;
#endif

} // namespace quillet::tests
