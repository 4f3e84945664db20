// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace quillet::ui {

// The pages of shared libraries that only the history window uses stay
// resident after it hides, though nothing touches them until it shows
// again. They are clean copies of files: the kernel can drop them at once
// and read them back from the page cache when they are needed.
class LibraryPages final
{
public:
    // Asks the kernel to reclaim the resident pages of every mapped file
    // whose path contains one of `names`.
    static void pageOut(const QStringList &names);
};

} // namespace quillet::ui
