// SPDX-License-Identifier: GPL-3.0-or-later
// From a press of Ctrl+Alt+1 to the latest entry's text arriving in another
// program's text field, less the fixed delay before the paste is posted.
// Runs on an X display: bench/run-on-xvfb.sh starts a private one.
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "hotkeycontroller.h"
#include "pasteactions.h"
#include "systemclock.h"

#include "qtbenchmarkmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

using namespace quillet;

namespace {

// A keyboard of its own: a second X connection that presses keys with XTest,
// as a person's keyboard would.
class Keyboard
{
public:
    Keyboard() : m_connection(xcb_connect(nullptr, nullptr))
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        for (const xcb_keysym_t keysym : {0xffe3u /* Control_L */, 0xffe9u /* Alt_L */, 0x31u}) {
            xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
            m_keys.push_back(codes ? codes[0] : 0);
            std::free(codes);
        }
        xcb_key_symbols_free(symbols);
    }
    ~Keyboard() { xcb_disconnect(m_connection); }

    void press()
    {
        for (const xcb_keycode_t key : m_keys)
            fake(XCB_KEY_PRESS, key);
        xcb_flush(m_connection);
    }
    void release()
    {
        for (auto key = m_keys.rbegin(); key != m_keys.rend(); ++key)
            fake(XCB_KEY_RELEASE, *key);
        xcb_aux_sync();
    }

private:
    void fake(std::uint8_t type, xcb_keycode_t key)
    {
        xcb_test_fake_input(m_connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    void xcb_aux_sync()
    {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t *m_connection;
    std::vector<xcb_keycode_t> m_keys;
};

void shortcutToPastedText(benchmark::State &state)
{
    QTemporaryDir home(QStringLiteral("/dev/shm/quillet-bench-XXXXXX"));
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    platform::SystemClock clock;
    platform::DesktopServices services = platform::DesktopServices::create();
    history::ClipboardStore store(clock);
    capture::ClipboardMonitor monitor(store, *services.clipboard, *services.frontmostApplication,
                                      clock);
    shortcuts::PasteActions paste(store, monitor, *services.frontmostApplication,
                                  *services.pasteInput, *services.systemSound, *services.scheduler);
    shortcuts::HotKeyController hotKeys(*services.globalShortcuts, *services.scheduler);
    hotKeys.registerControlOptionShortcuts(
        [] {}, [&] { paste.quickPasteHistoryItem(shortcuts::PasteActions::latestIndex); }, [] {});
    store.capture(QStringLiteral("the latest entry"), std::nullopt);

    QProcess field;
    field.start(QStringLiteral(QUILLET_TEXT_FIELD), {QStringLiteral("--clear")});
    field.waitForStarted();
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                       QStringLiteral("Paste Target"), QStringLiteral("windowactivate"),
                       QStringLiteral("--sync")});
    Keyboard keyboard;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto pressed = Clock::now();
        keyboard.press();
        while (!field.canReadLine())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto arrived = Clock::now();
        field.readLine();
        keyboard.release();
        const std::chrono::duration<double> elapsed = arrived - pressed;
        state.SetIterationTime(elapsed.count() - shortcuts::PasteActions::pasteDelayMs / 1000.0);
    }
    field.kill();
    field.waitForFinished();
    state.SetLabel("without the 80 ms delay; target: under 20 ms");
}
BENCHMARK(shortcutToPastedText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char **argv)
{
    return quillet::bench::runBenchmarks<QApplication>(argc, argv);
}
