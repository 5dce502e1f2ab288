#pragma once

#include <QPoint>
#include <Qt>

#include <functional>
#include <optional>

class QMouseEvent;
class QWidget;
class QWindow;

namespace tw {

// Moving a frameless window by dragging its background. The window system's
// move is asked for only once the pointer has moved with the button held: a
// move asked for on the press alone outlives a quick click (the release can
// reach the client before the window manager takes the pointer, and the
// window then follows the pointer until the next click). Where the system
// takes no move, the window follows the pointer itself.
class WindowDrag {
public:
    // The window system's move and resize (QWindow::startSystemMove and
    // startSystemResize); tests replace them.
    using SystemMove = std::function<bool(QWindow*)>;
    using SystemResize = std::function<bool(QWindow*, Qt::Edges)>;
    static SystemMove& systemMove();
    static SystemResize& systemResize();

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
