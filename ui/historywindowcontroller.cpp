// SPDX-License-Identifier: GPL-3.0-or-later
#include "historywindowcontroller.h"

#include "appidentity.h"
#include "clipboardstore.h"
#include "iconprovider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QScreen>

namespace quillet::ui {

HistoryWindowController::HistoryWindowController(history::ClipboardStore &store,
                                                 HistoryView::CopyAction copyAction,
                                                 const platform::Clock &clock,
                                                 platform::Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_store(store), m_view(store, std::move(copyAction), clock, scheduler),
      m_window(std::make_unique<QQuickView>())
{
    m_window->engine()->addImageProvider(QLatin1String(IconProvider::providerId), new IconProvider);
    m_window->setInitialProperties({{QStringLiteral("view"), QVariant::fromValue(&m_view)}});
    m_window->setResizeMode(QQuickView::SizeRootObjectToView);
    m_window->setSource(QUrl(QStringLiteral("qrc:/quillet/qml/HistoryView.qml")));
    m_window->setTitle(appName);
    m_window->resize(contentSize);
    m_window->setMinimumSize(minimumSize);
    m_window->installEventFilter(this);
    connect(&m_view, &HistoryView::hideRequested, m_window.get(), &QWindow::hide);
}

HistoryWindowController::~HistoryWindowController() = default;

bool HistoryWindowController::eventFilter(QObject *watched, QEvent *event)
{
    // Closing only hides: the same window, with the view's state, comes back.
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        event->ignore();
        m_window->hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void HistoryWindowController::centreOnScreenUnderPointer()
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = m_window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    m_window->setFramePosition(frame.topLeft());
}

void HistoryWindowController::show()
{
    m_store.purgeExpired(true);
    if (!m_window->isVisible())
        centreOnScreenUnderPointer();
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
    Q_EMIT m_view.focusSearchRequested();
}

void HistoryWindowController::toggle()
{
    if (m_window->isVisible() && m_window->isActive()) {
        m_window->hide();
        return;
    }
    show();
}

} // namespace quillet::ui
