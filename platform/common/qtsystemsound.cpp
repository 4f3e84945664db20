// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtsystemsound.h"

#include <QApplication>

namespace quillet::platform {

void QtSystemSound::beep()
{
    QApplication::beep();
}

} // namespace quillet::platform
