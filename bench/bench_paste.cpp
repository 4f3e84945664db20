// SPDX-License-Identifier: GPL-3.0-or-later
// From a press of Ctrl+Alt+1, or the paste action, to the latest entry's
// text arriving in another program's text field, less the fixed delay before
// the paste is posted. bench/run-on-xvfb.sh runs it on a private X display
// and in a headless sway.
#include "clipboardmonitor.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "hotkeycontroller.h"
#include "pasteactions.h"
#include "systemclock.h"

#include "qtbenchmarkmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
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

// The program's paste path on this desktop, with another program's text
// field in front.
struct PasteRig
{
    QTemporaryDir home{QStringLiteral("/dev/shm/quillet-bench-XXXXXX")};
    platform::SystemClock clock;
    platform::DesktopServices services;
    std::unique_ptr<history::ClipboardStore> store;
    std::unique_ptr<capture::ClipboardMonitor> monitor;
    std::unique_ptr<shortcuts::PasteActions> paste;
    QProcess field;

    PasteRig()
    {
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        services = platform::DesktopServices::create();
        store = std::make_unique<history::ClipboardStore>(clock);
        monitor = std::make_unique<capture::ClipboardMonitor>(
            *store, *services.clipboard, *services.frontmostApplication, clock);
        paste = std::make_unique<shortcuts::PasteActions>(
            *store, *monitor, *services.frontmostApplication, *services.pasteInput,
            *services.systemSound, *services.scheduler);
        store->capture(QStringLiteral("the latest entry"), std::nullopt);
        field.start(QStringLiteral(QUILLET_TEXT_FIELD), {QStringLiteral("--clear")});
        field.waitForStarted();
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--sync"),
                               QStringLiteral("--name"), QStringLiteral("Paste Target"),
                               QStringLiteral("windowactivate"), QStringLiteral("--sync")});
        // A new window takes the focus on Wayland: paste until it has.
        while (!field.canReadLine()) {
            paste->quickPasteHistoryItem(shortcuts::PasteActions::latestIndex);
            waitForLine(500);
        }
        field.readAll();
    }
    ~PasteRig()
    {
        field.kill();
        field.waitForFinished();
    }

    void waitForLine(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!field.canReadLine() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }

    // Runs `trigger` and waits for the text in the field; the seconds it
    // took, less the fixed delay before the paste is posted.
    double measure(const std::function<void()> &trigger)
    {
        using Clock = std::chrono::steady_clock;
        const auto started = Clock::now();
        trigger();
        while (!field.canReadLine())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const std::chrono::duration<double> elapsed = Clock::now() - started;
        field.readLine();
        return elapsed.count() - shortcuts::PasteActions::pasteDelayMs / 1000.0;
    }
};

// A tap of Ctrl+Alt+1 on the keyboard (X11).
void shortcutToPastedText(benchmark::State &state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs X11, where the program grabs the keys itself");
        return;
    }
    PasteRig rig;
    shortcuts::HotKeyController hotKeys(*rig.services.globalShortcuts, *rig.services.scheduler);
    hotKeys.registerControlOptionShortcuts(
        [] {}, [&] { rig.paste->quickPasteHistoryItem(shortcuts::PasteActions::latestIndex); },
        [] {});
    Keyboard keyboard;
    for (auto _ : state) {
        state.SetIterationTime(rig.measure([&] {
            keyboard.press();
            keyboard.release();
        }));
    }
    state.SetLabel("without the 80 ms delay; target: under 20 ms");
}
BENCHMARK(shortcutToPastedText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// The paste action as the D-Bus action or a desktop's shortcut service runs
// it, on X11 or Wayland.
void actionToPastedText(benchmark::State &state)
{
    PasteRig rig;
    for (auto _ : state) {
        state.SetIterationTime(rig.measure(
            [&] { rig.paste->quickPasteHistoryItem(shortcuts::PasteActions::latestIndex); }));
    }
    state.SetLabel(QStringLiteral("on %1, without the 80 ms delay; target: under 20 ms")
                       .arg(QGuiApplication::platformName())
                       .toStdString());
}
BENCHMARK(actionToPastedText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char **argv)
{
    return quillet::bench::runBenchmarks<QApplication>(argc, argv);
}
