// SPDX-License-Identifier: GPL-3.0-or-later
#include "historywindowcontroller.h"

#include "appidentity.h"
#include "clipboardstore.h"
#include "iconprovider.h"
#include "librarypages.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QTimer>

#include <QScreen>
#include <malloc.h>

namespace quillet::ui {

HistoryWindowController::HistoryWindowController(history::ClipboardStore &store,
                                                 HistoryView::CopyAction copyAction,
                                                 const platform::Clock &clock,
                                                 platform::Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_store(store), m_view(store, std::move(copyAction), clock, scheduler)
{
    ensureWindow();
}

// What the window touched most: Qt Quick and QML, and ICU's tables
// (searching and dating a thousand entries). A capture takes back the few
// ICU pages it needs. Pages that other programs map too are not paged out.
// Fewer libraries leave more resident; more (the QML plugins) make the next
// show slower than the page faults are worth.
QStringList HistoryWindowController::windowLibraries()
{
    return {QStringLiteral("libQt6Quick"), QStringLiteral("libQt6Qml"), QStringLiteral("libicu")};
}

void HistoryWindowController::ensureWindow()
{
    if (m_window)
        return;
    m_window = createView();
    m_window->engine()->addImageProvider(QLatin1String(IconProvider::providerId), new IconProvider);
    m_window->setInitialProperties({{QStringLiteral("view"), QVariant::fromValue(&m_view)}});
    m_window->setResizeMode(QQuickView::SizeRootObjectToView);
    m_window->setSource(QUrl(QStringLiteral("qrc:/quillet/qml/HistoryView.qml")));
    m_window->setTitle(appName);
    m_window->resize(contentSize);
    m_window->setMinimumSize(minimumSize);
    m_window->installEventFilter(this);
    connect(&m_view, &HistoryView::hideRequested, m_window.get(), &QWindow::hide);
    m_window->setPersistentSceneGraph(false);
    m_window->setPersistentGraphics(false);
    connect(m_window.get(), &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible)
            releaseMemory();
    });
}

std::unique_ptr<QQuickView> HistoryWindowController::createView()
{
    // Qt Quick's software renderer draws this window of text and small icons
    // as fast as the GL one on Mesa, in well under half the memory (60 MB
    // against 150 MB with 1,000 entries shown). QT_QUICK_BACKEND still
    // overrides it.
    // Set once, before the first window: Qt refuses it later.
    static const bool chosen = [] {
        if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(chosen)
    return std::make_unique<QQuickView>();
}

// A window hidden for a moment is let go whole, with its QML engine and
// its buffers, and the program goes back to about what it used before the
// window was first shown; the next show builds it anew. One shown again
// before then is the same window.
void HistoryWindowController::releaseMemory()
{
    m_window->releaseResources();
    QTimer::singleShot(releaseDelayMs, this, [this] {
        if (m_window && !m_window->isVisible())
            dropWindow();
    });
}

void HistoryWindowController::dropWindow()
{
    // The window hides as it is destroyed: nothing may react to that.
    disconnect(m_window.get(), nullptr, this, nullptr);
    disconnect(&m_view, nullptr, m_window.get(), nullptr);
    m_window->removeEventFilter(this);
    m_window.reset();
    ::malloc_trim(0);
    LibraryPages::pageOut(windowLibraries());
}

HistoryWindowController::~HistoryWindowController()
{
    if (m_window) {
        disconnect(m_window.get(), nullptr, this, nullptr);
        m_window->removeEventFilter(this);
    }
}

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
    ensureWindow();
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
    if (m_window && m_window->isVisible() && m_window->isActive()) {
        m_window->hide();
        return;
    }
    show();
}

} // namespace quillet::ui
