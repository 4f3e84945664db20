// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frontmostapplication.h"

namespace quillet::tests {

class FakeFrontmostApplication final : public platform::FrontmostApplication
{
public:
    std::optional<QString> name() override { return current; }
    platform::PasteShortcut pasteShortcut() override { return shortcut; }
    std::optional<QString> current;
    platform::PasteShortcut shortcut = platform::PasteShortcut::ControlV;
};

} // namespace quillet::tests
