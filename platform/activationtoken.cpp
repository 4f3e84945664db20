// SPDX-License-Identifier: GPL-3.0-or-later
#include "activationtoken.h"

#include <cstdlib>
#include <cstring>

namespace quillet::platform {

namespace {

constexpr char variablePrefix[] = "XDG_ACTIVATION_TOKEN=";
// putenv() puts this very buffer into the environment, so it must live as
// long as the process.
char environmentEntry[sizeof variablePrefix + ActivationToken::maxBytes];

} // namespace

bool ActivationToken::adopt(const QString &token)
{
    const QByteArray bytes = token.toUtf8();
    if (bytes.isEmpty() || bytes.size() > maxBytes || bytes.contains('\0'))
        return false;
    const size_t prefixLength = sizeof variablePrefix - 1;
    std::memcpy(environmentEntry, variablePrefix, prefixLength);
    std::memcpy(environmentEntry + prefixLength, bytes.constData(), size_t(bytes.size()));
    environmentEntry[prefixLength + size_t(bytes.size())] = '\0';
    return ::putenv(environmentEntry) == 0;
}

} // namespace quillet::platform
