// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarypages.h"

#include <QFile>

#include <algorithm>
#include <sys/mman.h>

namespace quillet::ui {

namespace {

// MADV_PAGEOUT, newer than some C libraries' headers; the kernel has had it
// since 5.4, and older ones ignore advice they do not know.
constexpr int pageOutAdvice = 21;

} // namespace

void LibraryPages::pageOut(const QStringList &names)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    // Read whole first: the advice changes what the file would say next.
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray &line : lines) {
        // "start-end perms offset device inode path"
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6)
            continue;
        const QString path = QString::fromUtf8(fields.at(5));
        if (std::none_of(names.begin(), names.end(),
                         [&](const QString &name) { return path.contains(name); }))
            continue;
        const QList<QByteArray> range = fields.at(0).split('-');
        const quintptr start = range.value(0).toULongLong(nullptr, 16);
        const quintptr end = range.value(1).toULongLong(nullptr, 16);
        if (start != 0 && end > start)
            ::madvise(reinterpret_cast<void *>(start), end - start, pageOutAdvice);
    }
}

} // namespace quillet::ui
