// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "applicationservice.h"
#include "clipboardstore.h"
#include "desktopservices.h"
#include "historyservice.h"
#include "hotkeycontroller.h"
#include "loginitem.h"
#include "systemclock.h"

#include <QObject>

#include <array>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace quillet::capture {
class ClipboardMonitor;
}
namespace quillet::shortcuts {
class PasteActions;
}
namespace quillet::ui {
class HistoryWindowController;
}

namespace quillet::app {

// Owns every long-lived object of the program and wires them together: the
// store, the clipboard monitor, the shortcuts, the paste actions, the tray
// icon with its menu, and the history window.
class AppDelegate final : public QObject
{
    Q_OBJECT

public:
    // Creates the store (loading the history) and the hot-key controller.
    // Needs the application object.
    AppDelegate();
    // The same with the desktop services given.
    explicit AppDelegate(platform::DesktopServices services);
    ~AppDelegate() override;

    // Starts the monitor, registers the shortcuts, puts up the tray icon.
    void applicationDidFinishLaunching();

    void showHistory();
    void toggleHistory();
    void pasteLatest();
    void pastePrevious();
    void togglePause(QAction *item);
    void clearHistory();
    void quit();

    // The actions that the shortcuts and the session bus run, each holding
    // the delegate without owning it.
    ApplicationService::Actions busActions();
    HistoryService::Actions historyActions();

    history::ClipboardStore &store() { return m_store; }
    bool hotKeyRegistered() const { return m_hotKeyRegistered; }
    QMenu *menu() const { return m_menu.get(); }

private:
    capture::ClipboardMonitor &monitor();
    ui::HistoryWindowController &windowController();
    shortcuts::PasteActions &pasteActions();
    void quickPasteHistoryItem(int index);
    void buildMenu();
    void addIntegrationItem();
    void showTrayIcon();
    void showTrigger(int index, const QString &trigger);
    void showShortcutsUnavailable();

    platform::SystemClock m_clock;
    platform::DesktopServices m_services;
    history::ClipboardStore m_store;
    LoginItem m_loginItem;
    std::unique_ptr<capture::ClipboardMonitor> m_monitor;
    std::unique_ptr<ui::HistoryWindowController> m_windowController;
    std::unique_ptr<shortcuts::PasteActions> m_pasteActions;
    shortcuts::HotKeyController m_hotKeyController;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_statusItem = nullptr;
    QAction *m_unavailableItem = nullptr;
    QAction *m_quitItem = nullptr;
    std::array<QAction *, 3> m_shortcutItems{};
    std::map<int, QString> m_reportedTriggers;
    bool m_hotKeyRegistered = false;
};

} // namespace quillet::app
