// SPDX-License-Identifier: GPL-3.0-or-later
#include "pasteactions.h"

#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "frontmostapplication.h"
#include "log.h"
#include "pasteinput.h"
#include "scheduler.h"
#include "systemsound.h"

namespace quillet::shortcuts {

PasteActions::PasteActions(history::ClipboardStore &store, capture::ClipboardMonitor &monitor,
                           platform::FrontmostApplication &frontmost, platform::PasteInput &input,
                           platform::SystemSound &sound, platform::Scheduler &scheduler)
    : m_store(store), m_monitor(monitor), m_frontmost(frontmost), m_input(input), m_sound(sound),
      m_scheduler(scheduler)
{}

void PasteActions::quickPasteHistoryItem(int index)
{
    m_store.purgeExpired(true);
    if (index < 0 || index >= m_store.items().size()) {
        m_sound.beep();
        return;
    }
    pasteItem(m_store.items().at(index));
}

void PasteActions::pasteItem(const history::ClipboardItem &item)
{
    m_monitor.copyToClipboard(item, false);
    pasteCurrentClipboard();
}

void PasteActions::pasteCurrentClipboard()
{
    if (!m_input.isTrusted()) {
        m_input.requestTrust();
        m_sound.beep();
        return;
    }
    // Our shortcut moves no focus: the application in front now is the one
    // the paste is meant for.
    const platform::PasteShortcut shortcut = m_frontmost.pasteShortcut();
    if (shortcut == platform::PasteShortcut::ShiftInsert && m_monitor.currentText())
        m_monitor.offerAsPrimarySelection(*m_monitor.currentText());
    platform::PasteInput &input = m_input;
    platform::SystemSound &sound = m_sound;
    m_scheduler.runAfter(pasteDelayMs, [&input, &sound, shortcut] {
        if (!input.postPaste(shortcut)) {
            platform::logLine(QStringLiteral("cannot paste: the keyboard has no key for it"));
            sound.beep();
        }
    });
}

} // namespace quillet::shortcuts
