// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pasteinput.h"
#include "systemsound.h"

namespace quillet::tests {

class FakePasteInput final : public platform::PasteInput
{
public:
    bool trusted = true;
    int trustRequests = 0;
    int pastes = 0;
    platform::PasteShortcut lastShortcut = platform::PasteShortcut::ControlV;

    bool isTrusted() override { return trusted; }
    void requestTrust() override { ++trustRequests; }
    bool postPaste(platform::PasteShortcut shortcut) override
    {
        ++pastes;
        lastShortcut = shortcut;
        return keyAvailable;
    }
    bool keyAvailable = true;
};

class FakeSystemSound final : public platform::SystemSound
{
public:
    int beeps = 0;
    void beep() override { ++beeps; }
};

} // namespace quillet::tests
