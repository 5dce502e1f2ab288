#include "state/MainWindowCloseGuard.h"

#include "state/AppNavigation.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace tw {

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

} // namespace tw
