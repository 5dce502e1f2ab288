#pragma once

#include "state/Theme.h"

#include <QObject>
#include <QPalette>
#include <QPoint>
#include <QWidget>

#include <optional>

namespace tw {

// The main window's look and behaviour: frameless, translucent, rounded
// corners (a window mask that follows its size), moved by dragging its
// background, attached to the close guard, and a light or dark palette from
// the theme. A hidden window comes back where it was: its place is asked for
// explicitly, which a desktop's window manager keeps (it places a window
// anew whose place the program left to it). Install it once per window; it
// lives as the window's child.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowChrome(QWidget* window, qreal cornerRadius);
    void updateMask();
    void comeBackInPlace();

    QWidget* m_window;
    qreal m_radius;
    AppAppearance m_appearance = AppAppearance::midnight;
    bool m_dragging = false;
    QPoint m_dragOffset;
    std::optional<QPoint> m_hiddenAt;  // where the window stood when it was hidden
};

} // namespace tw
