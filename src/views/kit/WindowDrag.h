#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <Qt>

#include <functional>
#include <optional>

class QMouseEvent;
class QWidget;
class QWindow;

namespace tw {

// Moving or resizing a frameless window by hand, once a press has become a
// drag (Qt's drag distance), so that a click changes nothing. The program
// moves the window itself while the button is held, keeping the point
// grabbed under the pointer: an X11 window manager asked to move starts from
// where the pointer is by then, and the point grabbed would trail it by the
// drag distance (a place given just before the request is not seen in time).
// Only where the program cannot place its windows (Wayland) is the window
// system's move asked for.
//
// As window managers do, a move keeps the window's title strip (its top
// titleStrip points) within the available area of the screen under the
// pointer, a resize its top edge; a maximised window, or one held by
// setHeld, stays where it is. Escape puts the window
// back as it was at the press and ends the drag (the keyboard is the
// window's while it runs). The window is placed about once a frame at most,
// where the pointer's last move asked: a move a frame or more after the last
// placing places it at once, one sooner waits for the frame's end; the
// release places it at once.
class WindowDrag : public QObject {
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
    // Nanoseconds on a monotonic clock, which times the placings; tests
    // replace it.
    using Clock = std::function<qint64()>;
    static Clock& clock();

    // How much of the window's top a move keeps on the screen: the strip it
    // is dragged back by.
    static constexpr int titleStrip = 40;

    explicit WindowDrag(QWidget* window);

    // Whether the window keeps its place and size for now, as a maximised
    // one does (a window zoomed by the program itself, say).
    void setHeld(std::function<bool()> held) { m_held = std::move(held); }
    // Whether it keeps them now: maximised, full screen or held.
    bool held() const;

    // A left press at a global point: a move, or a resize of the edges
    // given. `systemAllowed` false keeps it the program's own (while a popup
    // holds the mouse, say).
    void press(QPoint global, Qt::Edges edges = {}, bool systemAllowed = true);
    // True when the move is this drag's (the event is then taken).
    bool move(const QMouseEvent* event);
    // True when a press was pending or a drag ran.
    bool release();
    Qt::Edges edges() const { return m_press ? m_press->edges : Qt::Edges(); }

    // Whether a press has become a drag (Qt's drag distance).
    static bool pastThreshold(QPoint press, QPoint now);
    // The frame after the pointer moved by delta from its press, for a frame
    // that was start: the pressed edges follow the pointer, the others stay,
    // and it never gets smaller than minimum (the edge moved stops instead).
    static QRect resized(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Press {
        QPoint at;  // global
        QRect start;
        Qt::Edges edges;
        bool systemAllowed;
    };
    enum class Phase { pending, following, still };

    // Where the pointer at global puts the window.
    QRect wanted(QPoint global) const;
    // The screen's frame in nanoseconds.
    qint64 frame() const;
    void place();
    void letGoOfKeys();
    void end();

    QWidget* m_window;
    std::function<bool()> m_held;
    std::optional<Press> m_press;
    Phase m_phase = Phase::pending;
    std::optional<QRect> m_wanted;  // not placed yet
    QTimer m_frame;                 // places it
    std::optional<qint64> m_placed; // when it was last placed (clock())
};

} // namespace tw
