// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <unistd.h>

namespace quillet::tests {

// File permissions do not stop root. Where the tests run as root (as CI
// does), this scope acts as the unprivileged user "nobody" for its life; the
// saved user id stays root, so the change is undone at the end.
class UnprivilegedScope final
{
public:
    static constexpr uid_t nobody = 65534;

    // `ownedPath` (a test's temporary folder) is handed to that user first.
    explicit UnprivilegedScope(const QString &ownedPath)
    {
        if (::geteuid() != 0)
            return;
        const QByteArray path = ownedPath.toLocal8Bit();
        m_active = ::chown(path.constData(), nobody, nobody) == 0 && ::setegid(nobody) == 0 &&
                   ::seteuid(nobody) == 0;
    }
    ~UnprivilegedScope()
    {
        if (m_active) {
            [[maybe_unused]] const int uid = ::seteuid(0);
            [[maybe_unused]] const int gid = ::setegid(0);
        }
    }
    UnprivilegedScope(const UnprivilegedScope &) = delete;
    UnprivilegedScope &operator=(const UnprivilegedScope &) = delete;

    // Whether permissions are now enforced for this process.
    bool enforced() const { return m_active || ::geteuid() != 0; }

private:
    bool m_active = false;
};

} // namespace quillet::tests
