#include "views/kit/WindowDrag.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <utility>

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

WindowDrag::Clock& WindowDrag::clock()
{
    static Clock clock = [] {
        return qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    };
    return clock;
}

WindowDrag::WindowDrag(QWidget* window)
    : m_window(window)
{
    m_frame.setSingleShot(true);
    m_frame.setTimerType(Qt::PreciseTimer);
    connect(&m_frame, &QTimer::timeout, this, &WindowDrag::place);
}

bool WindowDrag::pastThreshold(QPoint press, QPoint now)
{
    return (now - press).manhattanLength() >= QApplication::startDragDistance();
}

QRect WindowDrag::resized(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum)
{
    QRect r = start;
    if (edges & Qt::LeftEdge)
        r.setLeft(std::min(start.left() + delta.x(), start.right() + 1 - minimum.width()));
    else if (edges & Qt::RightEdge)
        r.setRight(std::max(start.right() + delta.x(), start.left() + minimum.width() - 1));
    if (edges & Qt::TopEdge)
        r.setTop(std::min(start.top() + delta.y(), start.bottom() + 1 - minimum.height()));
    else if (edges & Qt::BottomEdge)
        r.setBottom(std::max(start.bottom() + delta.y(), start.top() + minimum.height() - 1));
    return r;
}

void WindowDrag::press(QPoint global, Qt::Edges edges, bool systemAllowed)
{
    end();
    m_press = Press{global, edges ? m_window->geometry() : m_window->frameGeometry(), edges, systemAllowed};
}

QRect WindowDrag::wanted(QPoint global) const
{
    const QPoint delta = global - m_press->at;
    QRect r = m_press->edges ? resized(m_press->start, m_press->edges, delta, m_window->minimumSize())
                             : m_press->start.translated(delta);
    const QScreen* screen = QGuiApplication::screenAt(global);
    if (!screen)
        screen = m_window->screen();
    if (!screen)
        return r;
    const QRect area = screen->availableGeometry();
    if (!m_press->edges)
        r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - titleStrip)));
    else if (m_press->edges & Qt::TopEdge && r.top() < area.top())
        r.setTop(std::min(area.top(), r.bottom() + 1 - m_window->minimumHeight()));
    return r;
}

bool WindowDrag::held() const
{
    return (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) || (m_held && m_held());
}

bool WindowDrag::move(const QMouseEvent* event)
{
    if (!m_press)
        return false;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere.
        release();
        return false;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (m_phase == Phase::still)
        return true;
    if (m_phase == Phase::pending) {
        if (!pastThreshold(m_press->at, global))
            return true;
        QWindow* handle = m_window->windowHandle();
        if (m_press->systemAllowed && systemPlaces() && handle
            && (m_press->edges ? systemResize()(handle, m_press->edges) : systemMove()(handle))) {
            end();
            return true;
        }
        // Maximised, full screen or held, it stays (as window managers keep it).
        if (!m_press->edges && held()) {
            m_phase = Phase::still;
            return true;
        }
        m_phase = Phase::following;
        // Escape comes here, wherever the focus is.
        m_window->grabKeyboard();
        m_window->installEventFilter(this);
    }
    m_wanted = wanted(global);
    // Placed now when a frame has passed since the last placing, else at the
    // frame's end (the latest move then wins). A frame counts here an eighth
    // short: a pointer moving every 16 ms against a 16.7 ms frame, its moves
    // a millisecond or so apart from that as they arrive, would otherwise
    // wait for the timer nearly every time, a little longer at each move
    // (8.7 ms behind it at the median, against 0.5 ms with the eighth).
    // Placings still come at most 8/7 times the screen's refresh rate.
    const qint64 frameNs = frame();
    const qint64 since = m_placed ? clock()() - *m_placed : frameNs;
    if (since >= frameNs - frameNs / 8) {
        m_frame.stop();
        place();
    } else if (!m_frame.isActive()) {
        m_frame.start(int((frameNs - since + 999'999) / 1'000'000));
    }
    return true;
}

qint64 WindowDrag::frame() const
{
    const QScreen* screen = m_window->screen();
    const qreal hz = screen && screen->refreshRate() >= 20 ? screen->refreshRate() : 60;
    return qint64(1e9 / hz);
}

void WindowDrag::place()
{
    if (!m_wanted)
        return;
    const QRect r = *std::exchange(m_wanted, std::nullopt);
    if (m_press && m_press->edges)
        m_window->setGeometry(r);
    else
        m_window->move(r.topLeft());
    m_placed = clock()();
}

bool WindowDrag::release()
{
    const bool had = m_press.has_value();
    m_frame.stop();
    place();
    end();
    return had;
}

void WindowDrag::letGoOfKeys()
{
    m_window->removeEventFilter(this);
    if (QWidget::keyboardGrabber() == m_window)
        m_window->releaseKeyboard();
}

void WindowDrag::end()
{
    m_frame.stop();
    m_wanted.reset();
    letGoOfKeys();
    m_press.reset();
    m_phase = Phase::pending;
}

bool WindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window || event->type() != QEvent::KeyPress || m_phase != Phase::following
        || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return false;
    // Back to where and how big it was at the press; the rest of the drag moves nothing.
    m_frame.stop();
    m_wanted = m_press->start;
    place();
    letGoOfKeys();
    m_phase = Phase::still;
    return true;
}

} // namespace tw
