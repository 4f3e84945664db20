// SPDX-License-Identifier: GPL-3.0-or-later
#include "pasteactions.h"

#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "log.h"
#include "pasteinput.h"
#include "scheduler.h"
#include "systemsound.h"

namespace quillet::shortcuts {

PasteActions::PasteActions(history::ClipboardStore &store, capture::ClipboardMonitor &monitor,
                           platform::PasteInput &input, platform::SystemSound &sound,
                           platform::Scheduler &scheduler)
    : m_store(store), m_monitor(monitor), m_input(input), m_sound(sound), m_scheduler(scheduler)
{}

void PasteActions::quickPasteHistoryItem(int index)
{
    m_store.purgeExpired(true);
    if (index < 0 || index >= m_store.items().size()) {
        m_sound.beep();
        return;
    }
    const history::ClipboardItem item = m_store.items().at(index);
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
    platform::PasteInput &input = m_input;
    platform::SystemSound &sound = m_sound;
    m_scheduler.runAfter(pasteDelayMs, [&input, &sound] {
        if (!input.postPaste()) {
            platform::logLine(QStringLiteral("cannot paste: the keyboard has no key for V"));
            sound.beep();
        }
    });
}

} // namespace quillet::shortcuts
