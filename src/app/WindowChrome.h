#pragma once

#include "state/Theme.h"
#include "views/kit/WindowDrag.h"

#include <QObject>
#include <QPalette>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <optional>

namespace tw {

// The main window's look and behaviour: frameless, translucent, rounded
// corners (a window mask that follows its size), moved by dragging its
// background, resized from a band along its edges and its corners (with the
// resize pointers over them; not while maximised or of a fixed size),
// attached to the close guard, and a light or dark palette from the theme. A
// hidden window comes back where it was: its place is asked for explicitly,
// which a desktop's window manager keeps (it places a window anew whose place
// the program left to it). With no window manager the program places it: a
// window not placed before its first show opens in the middle of the screen's
// available area. Install it once per window; it lives as the window's child.
class WindowChrome : public QObject {
    Q_OBJECT
public:
    static constexpr qreal defaultCornerRadius = 20.0;

    // Returns the window's chrome, creating it on the first call.
    static WindowChrome* install(QWidget* window, qreal cornerRadius = defaultCornerRadius);
    static WindowChrome* of(const QWidget* window);

    qreal cornerRadius() const { return m_radius; }
    AppAppearance appearance() const { return m_appearance; }
    // Restyles the window for a theme (the chrome follows ThemeManager by itself).
    void setAppearance(AppAppearance appearance);

    // Aqua-like light for classic, dark for midnight and indigo.
    static QPalette paletteFor(AppAppearance appearance);

    // The edges a press at point (in the window) would resize now.
    Qt::Edges resizeEdgesAt(QPoint point) const;

    // The title bar's zoom: maximised and back, as the window manager does
    // it. With none the window fills the screen's available area itself (its
    // state stays normal) and, like a maximised one, stays put when dragged
    // and is not resized from its edges; a second zoom gives back the frame
    // it had. Placed elsewhere since (by the program), it fills the area again.
    void zoom();
    // Whether the window fills the area by a zoom of its own.
    bool zoomedItself() const;
    // Minimised, where a window manager carries it out; with none the window
    // stays as it is (and is not left saying it is minimised).
    void minimise();
    // Whether a window manager runs (windowManagerRuns); tests replace it.
    static std::function<bool()>& windowManaged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowChrome(QWidget* window, qreal cornerRadius);
    void updateMask();
    void comeBackInPlace();
    void placeFirstShow();
    // Sees the native window's mouse events before any widget does.
    void watchHandle();
    // The resize band's hover and presses; true when it took the event.
    bool frameEvent(QEvent* event);
    void showEdges(Qt::Edges edges);

    QWidget* m_window;
    qreal m_radius;
    AppAppearance m_appearance = AppAppearance::midnight;
    WindowDrag m_drag;
    std::optional<QPoint> m_hiddenAt;  // where the window stood when it was hidden
    std::optional<QRect> m_unzoomed;   // the frame before a zoom of its own, and
    QRect m_zoomed;                    // the one that zoom gave
    QPointer<QWindow> m_handle;
    Qt::Edges m_shownEdges;  // those the pointer shows
};

} // namespace tw
