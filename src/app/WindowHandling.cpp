#include "app/WindowHandling.h"

#include "app/AppSettings.h"
#include "app/SharedState.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace tw {

WindowNotices& WindowNotices::shared()
{
    return SharedState::instance().notices();
}

// ---- AppDelegate -----------------------------------------------------------------

AppDelegate::AppDelegate(AppNavigation& navigation, QObject* parent)
    : QObject(parent)
    , m_navigation(navigation)
{
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (!hasVisibleWindows)
        m_navigation.openMainWindow(std::nullopt, false, false);
    return true;
}

void AppDelegate::handleSecondLaunch()
{
    m_navigation.openMainWindow(std::nullopt, false, false);
}

bool AppDelegate::hasVisibleWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); });
}

// ---- MainWindowCloseGuard ----------------------------------------------------------

MainWindowCloseGuard::MainWindowCloseGuard(QObject* parent)
    : QObject(parent)
{
    // Seeing the application's Quit event first lets the closes of quitting through.
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

MainWindowCloseGuard& MainWindowCloseGuard::shared()
{
    return SharedState::instance().closeGuard();
}

void MainWindowCloseGuard::attach(QWidget* window)
{
    if (!window || m_attached.contains(window))
        return;
    m_attached.insert(window);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    // Addresses are reused: forget a window when it goes.
    connect(window, &QObject::destroyed, this, [this, window] { m_attached.remove(window); });
}

void MainWindowCloseGuard::hideMainWindow(QObject* sender)
{
    QWidget* target = nullptr;
    if (auto w = qobject_cast<QWidget*>(sender))
        target = w->window();
    if (!target)
        target = QApplication::activeWindow();
    if (!target) {
        QWidgetList visible;
        for (QWidget* w : AppNavigation::applicationWindows())
            if (w->isVisible())
                visible << w;
        target = AppNavigation::pickMainWindow(visible);
    }
    if (target)
        target->hide();
}

bool MainWindowCloseGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        // If something refuses the quit, the guard works again afterwards.
        m_quitting = true;
        QTimer::singleShot(0, this, [this] { m_quitting = false; });
        return false;
    }
    if (event->type() == QEvent::Close && !m_quitting && watched->isWidgetType()
        && m_attached.contains(static_cast<QWidget*>(watched))) {
        static_cast<QWidget*>(watched)->hide();
        event->ignore();
        return true;
    }
    return false;
}

// ---- MainWindowOpenBridge ---------------------------------------------------------------

MainWindowOpenBridge::MainWindowOpenBridge(WindowNotices& notices, QObject* parent)
    : QObject(parent)
{
    connect(&notices, &WindowNotices::reopenMainWindow, this, &MainWindowOpenBridge::open);
}

MainWindowOpenBridge& MainWindowOpenBridge::shared()
{
    return SharedState::instance().openBridge();
}

void MainWindowOpenBridge::open()
{
    if (!m_factory)
        return;
    QWidget* window = m_factory();
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
    emit windowOpened(window);
}

} // namespace tw
