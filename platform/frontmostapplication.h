// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteshortcut.h"

#include <QString>

#include <optional>

namespace quillet::platform {

// The display name of the application whose window is active.
class FrontmostApplication
{
public:
    virtual ~FrontmostApplication() = default;
    // None when no window is active or its application has no name.
    virtual std::optional<QString> name() = 0;
    // The keys that paste into it.
    virtual PasteShortcut pasteShortcut() { return PasteShortcut::ControlV; }
};

} // namespace quillet::platform
