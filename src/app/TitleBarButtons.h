#pragma once

#include "state/AppAppearance.h"
#include "views/kit/NeonOverlay.h"

#include <QAbstractButton>
#include <QWidget>

namespace tw {

// One of the window's three title-bar buttons: a small coloured disc.
class TitleBarButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { close, minimise, zoom };

    TitleBarButton(Kind kind, QWidget* parent);

    Kind kind() const { return m_kind; }
    static constexpr int diameter() { return 12; }
    // The disc's fill and edge: its own colour while the window is active,
    // grey otherwise; darker while pressed.
    static QColor fillColour(Kind kind, bool active, bool pressed, AppAppearance a);
    static QColor edgeColour(Kind kind, bool active, AppAppearance a);
    // The symbol's colour (shown while the pointer is over the group).
    static QColor symbolColour(Kind kind);
    // The symbol's outline in a disc of diameter() at the origin.
    static QPainterPath symbol(Kind kind);

    QSize sizeHint() const override { return {diameter(), diameter()}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
};

// The close, minimise and zoom buttons at the window's leading top corner,
// drawn as the platform draws them: the symbols appear while the pointer is
// over any of the three, and the discs turn grey while the window is
// inactive. Close hides the window through the close guard (the program
// keeps running), minimise minimises it, zoom toggles it between its size and
// the whole screen (both through the window's chrome, which knows whether a
// window manager carries them out). Each is a keyboard stop (the window's first three, close
// outermost), with the kit's focus ring and its symbol while it has the
// focus; Space or Return presses it. They lie over the sidebar card's neon
// border, so they are an overlay.
class TitleBarButtons : public NeonOverlay {
    Q_OBJECT
public:
    explicit TitleBarButtons(QWidget* parent);

    TitleBarButton* button(TitleBarButton::Kind kind) const;
    // Whether the symbols show (the pointer is over the group).
    bool isHovered() const { return m_hovered; }
    // Whether the discs show their colours (the window is active).
    bool isWindowActive() const;

    // Where the group sits in a window of the given width: at the top, on
    // the leading side (the right in a right-to-left layout).
    static QRect placement(int windowWidth, Qt::LayoutDirection direction);
    void place();
    // Only the buttons paint; the room around them stays clear.
    QRegion paintedRegion() const override;

protected:
    bool event(QEvent* event) override;

private:
    void setHovered(bool hovered);

    QList<TitleBarButton*> m_buttons;
    bool m_hovered = false;
};

} // namespace tw
