// SPDX-License-Identifier: GPL-3.0-or-later
#include "appdelegate.h"

#include "appidentity.h"
#include "clipboardmonitor.h"
#include "common/desktopnotifier.h"
#include "historyfile.h"
#include "historywindowcontroller.h"
#include "log.h"
#include "pasteactions.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

namespace quillet::app {

namespace {

QIcon appIcon()
{
    return QIcon(QStringLiteral(":/quillet/icons/quillet.svg"));
}

} // namespace

AppDelegate::AppDelegate()
    : AppDelegate(platform::DesktopServices::create(history::HistoryFile::defaultDirectory()))
{}

AppDelegate::AppDelegate(platform::DesktopServices services)
    : m_services(std::move(services)), m_store(m_clock),
      m_loginItem(QCoreApplication::applicationFilePath()),
      m_hotKeyController(*m_services.globalShortcuts, *m_services.scheduler)
{}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    QApplication::setWindowIcon(appIcon());
    monitor().start();

    const ApplicationService::Actions actions = busActions();
    m_hotKeyController.whenTriggerReported(
        [this](int index, const QString &trigger) { showTrigger(index, trigger); });
    m_hotKeyController.whenLaterUnavailable([this] {
        m_hotKeyRegistered = false;
        if (m_menu)
            showShortcutsUnavailable();
    });
    m_hotKeyRegistered = m_hotKeyController.registerControlOptionShortcuts(
        actions.toggleHistory, actions.pasteLatest, actions.pastePrevious);

    buildMenu();
    showTrayIcon();
}

ApplicationService::Actions AppDelegate::busActions()
{
    const QPointer<AppDelegate> self(this);
    auto call = [self](void (AppDelegate::*action)()) {
        return [self, action] {
            if (self)
                (self.data()->*action)();
        };
    };
    return {call(&AppDelegate::showHistory), call(&AppDelegate::toggleHistory),
            call(&AppDelegate::pasteLatest), call(&AppDelegate::pastePrevious)};
}

HistoryService::Actions AppDelegate::historyActions()
{
    const QPointer<AppDelegate> self(this);
    return {[self](const history::ClipboardItem &item) {
                if (self)
                    self->monitor().copyToClipboard(item, true);
            },
            [self](const history::ClipboardItem &item) {
                if (self)
                    self->pasteActions().pasteItem(item);
            }};
}

void AppDelegate::buildMenu()
{
    m_menu = std::make_unique<QMenu>();
    auto add = [this](const QString &title, const QString &shortcut, auto slot) {
        QAction *action = m_menu->addAction(title, this, slot);
        if (!shortcut.isEmpty()) {
            // Only a hint beside the title: the real shortcuts are global.
            action->setShortcut(QKeySequence(shortcut));
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        return action;
    };
    m_shortcutItems = {
        add(tr("Show History"), QStringLiteral("Ctrl+Alt+V"), &AppDelegate::showHistory),
        add(tr("Paste Latest"), QStringLiteral("Ctrl+Alt+1"), &AppDelegate::pasteLatest),
        add(tr("Paste Previous"), QStringLiteral("Ctrl+Alt+2"), &AppDelegate::pastePrevious)};
    for (const auto &[index, trigger] : m_reportedTriggers)
        showTrigger(index, trigger);
    m_menu->addSeparator();
    QAction *pause = m_menu->addAction(tr("Pause Capture"));
    pause->setCheckable(true);
    pause->setChecked(m_store.isPaused());
    connect(pause, &QAction::triggered, this, [this, pause] { togglePause(pause); });
    // The window's switch pauses too: the mark is set anew whenever the menu opens.
    connect(m_menu.get(), &QMenu::aboutToShow, pause,
            [this, pause] { pause->setChecked(m_store.isPaused()); });
    QAction *login = m_menu->addAction(tr("Start at Login"));
    login->setCheckable(true);
    login->setChecked(m_loginItem.isEnabled());
    connect(login, &QAction::triggered, this, [this, login](bool enabled) {
        m_loginItem.setEnabled(enabled);
        login->setChecked(m_loginItem.isEnabled());
    });
    connect(m_menu.get(), &QMenu::aboutToShow, login,
            [this, login] { login->setChecked(m_loginItem.isEnabled()); });
    addIntegrationItem();
    m_menu->addSeparator();
    add(tr("Clear History"), QString(), &AppDelegate::clearHistory);
    m_menu->addSeparator();
    m_quitItem = add(tr("Quit"), QStringLiteral("Ctrl+Q"), &AppDelegate::quit);
    if (!m_hotKeyRegistered)
        showShortcutsUnavailable();
}

// Offered while the desktop's integration is off; it is not shown again
// once asked for, since it takes effect only at the next login.
void AppDelegate::addIntegrationItem()
{
    platform::DesktopIntegration *integration = m_services.integration.get();
    if (!integration)
        return;
    QAction *item = m_menu->addAction(tr("Enable GNOME Integration"));
    item->setVisible(integration->canBeEnabled());
    connect(m_menu.get(), &QMenu::aboutToShow, item,
            [item, integration] { item->setVisible(integration->canBeEnabled()); });
    connect(item, &QAction::triggered, this, [item, integration] {
        item->setVisible(false);
        integration->enable([](bool enabled) {
            platform::DesktopNotifier::notify(
                appName, enabled ? tr("GNOME integration is enabled. It takes effect at your "
                                      "next login.")
                                 : tr("GNOME integration could not be enabled: the Quillet "
                                      "extension is not installed."));
        });
    });
}

// A row of its own, above Quit, once it is known.
void AppDelegate::showShortcutsUnavailable()
{
    if (m_unavailableItem)
        return;
    m_unavailableItem = new QAction(tr("Some shortcuts unavailable"), m_menu.get());
    m_unavailableItem->setEnabled(false);
    m_menu->insertAction(m_quitItem, m_unavailableItem);
}

// Keys that the desktop bound in place of ours: shown as it describes them.
void AppDelegate::showTrigger(int index, const QString &trigger)
{
    m_reportedTriggers[index] = trigger;
    if (index < 0 || index >= int(m_shortcutItems.size()) || !m_shortcutItems[index])
        return;
    QAction *item = m_shortcutItems[index];
    item->setShortcut(QKeySequence());
    item->setText(item->text().section(u'\t', 0, 0) + u'\t' + trigger);
}

void AppDelegate::showTrayIcon()
{
    m_statusItem = new QSystemTrayIcon(appIcon(), this);
    m_statusItem->setToolTip(appName);
    m_statusItem->setContextMenu(m_menu.get());
    // A left click opens the same menu as a right click.
    connect(m_statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_menu->popup(QCursor::pos());
            });
    // Where no tray host runs yet, Qt puts the icon up as soon as one starts.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        platform::logLine(QStringLiteral("no system tray yet; the icon appears when one starts, "
                                         "and the shortcuts work meanwhile"));
    m_statusItem->show();
}

capture::ClipboardMonitor &AppDelegate::monitor()
{
    if (!m_monitor)
        m_monitor = std::make_unique<capture::ClipboardMonitor>(
            m_store, *m_services.clipboard, *m_services.frontmostApplication, m_clock);
    return *m_monitor;
}

ui::HistoryWindowController &AppDelegate::windowController()
{
    if (!m_windowController) {
        const QPointer<AppDelegate> self(this);
        m_windowController = std::make_unique<ui::HistoryWindowController>(
            m_store,
            [self](const history::ClipboardItem &item) {
                if (self)
                    self->monitor().copyToClipboard(item, true);
            },
            m_clock, *m_services.scheduler);
        m_windowController->view().setClipboardTextSource([self]() -> std::optional<QString> {
            if (!self)
                return std::nullopt;
            return self->monitor().currentText();
        });
    }
    return *m_windowController;
}

shortcuts::PasteActions &AppDelegate::pasteActions()
{
    if (!m_pasteActions)
        m_pasteActions = std::make_unique<shortcuts::PasteActions>(
            m_store, monitor(), *m_services.frontmostApplication, *m_services.pasteInput,
            *m_services.systemSound, *m_services.scheduler);
    return *m_pasteActions;
}

void AppDelegate::showHistory()
{
    windowController().show();
}

void AppDelegate::toggleHistory()
{
    windowController().toggle();
}

void AppDelegate::quickPasteHistoryItem(int index)
{
    pasteActions().quickPasteHistoryItem(index);
}

void AppDelegate::pasteLatest()
{
    quickPasteHistoryItem(shortcuts::PasteActions::latestIndex);
}

void AppDelegate::pastePrevious()
{
    quickPasteHistoryItem(shortcuts::PasteActions::previousIndex);
}

void AppDelegate::togglePause(QAction *item)
{
    m_store.setPaused(!m_store.isPaused());
    item->setChecked(m_store.isPaused());
}

void AppDelegate::clearHistory()
{
    m_store.clear();
}

void AppDelegate::quit()
{
    QCoreApplication::quit();
}

} // namespace quillet::app
