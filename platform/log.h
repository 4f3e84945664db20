// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::platform {

// Writes "Quillet: <message>" as one line on standard error. The line is
// written with a single write() so that lines of concurrent processes never
// interleave.
void logLine(const QString &message);

} // namespace quillet::platform
