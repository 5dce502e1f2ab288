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
        // The window manager moves it from where it stands (a place given it
        // just before is not seen in time).
        if (m_systemAllowed && window->windowHandle() && systemMove()(window->windowHandle())) {
            release();
            return true;
        }
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
