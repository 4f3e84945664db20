// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillet::platform {
class FrontmostApplication;
class PasteInput;
class Scheduler;
class SystemSound;
} // namespace quillet::platform

namespace quillet::history {
class ClipboardStore;
struct ClipboardItem;
} // namespace quillet::history

namespace quillet::capture {
class ClipboardMonitor;
}

namespace quillet::shortcuts {

// Pastes a history entry into the focused window: the entry goes on the
// clipboard (without touching the store), then the paste shortcut of the
// application in front is posted a moment later (Ctrl+V, or a terminal's
// own; for xterm-like ones the entry goes on the primary selection too).
class PasteActions final
{
public:
    static constexpr int latestIndex = 0;
    static constexpr int previousIndex = 1;
    static constexpr int pasteDelayMs = 80;

    // Everything passed must outlive the actions.
    PasteActions(history::ClipboardStore &store, capture::ClipboardMonitor &monitor,
                 platform::FrontmostApplication &frontmost, platform::PasteInput &input,
                 platform::SystemSound &sound, platform::Scheduler &scheduler);

    // Beeps when there is no entry at `index` once expired ones are gone.
    void quickPasteHistoryItem(int index);
    void pasteItem(const history::ClipboardItem &item);
    // Posts the paste shortcut for whatever the clipboard holds; without the
    // permission to post input, asks for it and beeps.
    void pasteCurrentClipboard();

private:
    history::ClipboardStore &m_store;
    capture::ClipboardMonitor &m_monitor;
    platform::FrontmostApplication &m_frontmost;
    platform::PasteInput &m_input;
    platform::SystemSound &m_sound;
    platform::Scheduler &m_scheduler;
};

} // namespace quillet::shortcuts
