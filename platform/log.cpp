// SPDX-License-Identifier: GPL-3.0-or-later
#include "log.h"

#include "appidentity.h"

#include <unistd.h>

namespace quillet::platform {

void logLine(const QString &message)
{
    QByteArray line = appName.toUtf8();
    line += ": ";
    line += message.toUtf8();
    line += '\n';
    const char *data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, static_cast<size_t>(left));
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

} // namespace quillet::platform
