#pragma once

#include "app/state/Theme.h"

#include <QPointer>
#include <QWidget>

namespace tw {

class ClockwiseNeonBorder;

// The window the quick preview opens in, reused for every showing: a
// frameless popup that any click elsewhere closes, or, pinned, a frameless
// window that stays above the others until it is put away. Its content
// fills it and draws the frame (paintChrome) beneath itself, so that the
// frame and the content's steady parts reach the screen as one picture; the
// window keeps the turning neon border above it, 8 points inside its edge.
class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    explicit PopoverWindow(QWidget* parent = nullptr);

    static constexpr int margin() { return 8; }
    static constexpr qreal cornerRadius() { return 14; }
    // The edge's middle colour.
    static QColor borderTint(AppAppearance a);
    // The frame around a card rectangle: the glow, the theme's background
    // clipped to a rounded shape (radius 14) and a two-point gradient edge.
    static void paintChrome(QPainter& p, const QRectF& card, AppAppearance a);

    // Switches between the popup and the pinned window; takes effect at the
    // next show.
    void setPinned(bool pinned);
    bool isPinned() const { return m_pinned; }

    // Replaces the content (the old one goes once control returns to the
    // event loop) and sizes the window to it.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    // Deletes the content now (never from inside one of its own calls).
    void clearContent();
    ClockwiseNeonBorder* border() const { return m_border; }

    // Shows it at a frame (in global coordinates) and brings it forward.
    void present(const QRect& frame);
    // Puts it away (the owner's doing: dismissedOutside() is not sent).
    void dismiss();

signals:
    // Closed by the desktop: a click outside the popup, Escape.
    void dismissedOutside();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect cardRect() const;

    bool m_pinned = false;
    bool m_dismissing = false;
    QPointer<QWidget> m_content;
    ClockwiseNeonBorder* m_border;
};

} // namespace tw
