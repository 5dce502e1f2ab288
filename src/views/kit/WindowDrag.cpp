#include "views/kit/WindowDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tw {

WindowDrag::SystemMove& WindowDrag::systemMove()
{
    static SystemMove move = [](QWindow* window) { return window->startSystemMove(); };
    return move;
}

WindowDrag::SystemResize& WindowDrag::systemResize()
{
    static SystemResize resize = [](QWindow* window, Qt::Edges edges) { return window->startSystemResize(edges); };
    return resize;
}

bool& WindowDrag::systemPlaces()
{
    static bool places = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return places;
}

bool WindowDrag::pastThreshold(QPoint press, QPoint now)
{
    return (now - press).manhattanLength() >= QApplication::startDragDistance();
}

void WindowDrag::press(QPoint global, bool systemAllowed)
{
    m_press = global;
    m_followOffset.reset();
    m_systemAllowed = systemAllowed;
}

bool WindowDrag::move(QWidget* window, const QMouseEvent* event)
{
    if (!m_press)
        return false;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere.
        release();
        return false;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (!m_followOffset) {
        if (!pastThreshold(*m_press, global))
            return true;
        if (m_systemAllowed && systemPlaces() && window->windowHandle() && systemMove()(window->windowHandle())) {
            release();
            return true;
        }
        // Maximised or full screen, it stays (as window managers keep it).
        if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
            return true;
        m_followOffset = *m_press - window->pos();
    }
    window->move(global - *m_followOffset);
    return true;
}

bool WindowDrag::release()
{
    const bool had = m_press.has_value();
    m_press.reset();
    m_followOffset.reset();
    return had;
}

} // namespace tw
