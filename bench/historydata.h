// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillet::bench {

// About 200 bytes of UTF-8 mixing ASCII and accented Latin text, distinct per `seed`.
inline QString sampleText(int seed)
{
    return QStringLiteral("Entry %1: Crème brûlée, façade, naïve café — déjà vu in Zürich; "
                          "the quick brown fox jumps over the lazy dog. Ça coûte 12,50 € à "
                          "Montréal. /usr/share/doc %1")
        .arg(seed);
}

} // namespace quillet::bench
