// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/files.h"

#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace quillet::tests {

// Redirects file descriptor 2 into a temporary file for the scope's life, so
// that a test reads exactly the lines the code under test wrote there.
class StderrCapture final
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    QStringList lines()
    {
        std::fflush(stderr);
        return QString::fromUtf8(readFile(m_file.fileName())).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace quillet::tests
