#pragma once

#include <QPoint>
#include <Qt>

#include <functional>
#include <optional>

class QMouseEvent;
class QWidget;
class QWindow;

namespace tw {

// Moving a frameless window by dragging its background, once a press has
// become a drag (Qt's drag distance), so that a click moves nothing. The
// program moves the window itself while the button is held, keeping the point
// grabbed under the pointer: an X11 window manager asked to move starts from
// where the pointer is by then, and the point grabbed would trail it by the
// drag distance (a place given just before the request is not seen in time).
// Only where the program cannot place its windows (Wayland) is the window
// system's move asked for.
class WindowDrag {
public:
    // The window system's move and resize (QWindow::startSystemMove and
    // startSystemResize); tests replace them.
    using SystemMove = std::function<bool(QWindow*)>;
    using SystemResize = std::function<bool(QWindow*, Qt::Edges)>;
    static SystemMove& systemMove();
    static SystemResize& systemResize();
    // Whether those are asked for at all: where the window system alone
    // places windows. Tests set it.
    static bool& systemPlaces();

    // A left press at a global point; `systemAllowed` false keeps the move
    // the program's own (while a popup holds the mouse, say).
    void press(QPoint global, bool systemAllowed = true);
    // True when the move is this drag's (the event is then taken).
    bool move(QWidget* window, const QMouseEvent* event);
    // True when a press was pending or a drag ran.
    bool release();

    // Whether a press has become a drag (Qt's drag distance).
    static bool pastThreshold(QPoint press, QPoint now);

private:
    std::optional<QPoint> m_press;        // global point of the press
    std::optional<QPoint> m_followOffset; // set while the window follows by itself
    bool m_systemAllowed = true;
};

} // namespace tw
