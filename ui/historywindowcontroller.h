// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "historyview.h"

#include <QObject>
#include <QSize>
#include <QStringList>

#include <memory>

class QQuickView;

namespace quillet::ui {

// The one history window: hidden instead of closed, centred on the screen
// under the pointer whenever it is shown from hidden, and let go a moment
// after it hides, to be built again at the next show.
class HistoryWindowController final : public QObject
{
    Q_OBJECT

public:
    static constexpr QSize contentSize{760, 580};
    static constexpr QSize minimumSize{520, 420};
    // How long after hiding the window is let go: a window opened again
    // soon after is still there.
    static constexpr int releaseDelayMs = 2000;

    HistoryWindowController(history::ClipboardStore &store, HistoryView::CopyAction copyAction,
                            const platform::Clock &clock, platform::Scheduler &scheduler,
                            QObject *parent = nullptr);
    ~HistoryWindowController() override;

    // Drops expired entries, centres the window if it was hidden, and brings
    // it to the front with the keyboard focus.
    void show();
    // Hides the window when it is visible and focused; otherwise show().
    void toggle();

    // None while let go.
    QQuickView *window() const { return m_window.get(); }
    HistoryView &view() { return m_view; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void centreOnScreenUnderPointer();
    void ensureWindow();
    void releaseMemory();
    void dropWindow();
    static QStringList windowLibraries();
    static std::unique_ptr<QQuickView> createView();

    history::ClipboardStore &m_store;
    HistoryView m_view;
    std::unique_ptr<QQuickView> m_window;
};

} // namespace quillet::ui
