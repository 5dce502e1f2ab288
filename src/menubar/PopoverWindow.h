#pragma once

#include "state/AppAppearance.h"

#include <QPointer>
#include <QWidget>

class QKeyEvent;

namespace tw {

class ClockwiseNeonBorder;

// The window the quick preview opens in, reused for every showing: a
// frameless popup that any click elsewhere closes, or, pinned, a frameless
// window that stays above the others until it is put away. Its content
// fills it and draws the frame (paintChrome) beneath itself, so that the
// frame and the content's steady parts reach the screen as one picture; the
// window keeps the turning neon border above it, 8 points inside its edge.
// A companion window (the side panel) counts as inside the popup: while the
// popup holds the mouse, a press on the companion and the moves, release,
// wheel turns and typing that follow are handed to it, and the popup stays.
// The keyboard can be lent to the companion: it then shares the popover's
// activation, so its controls take the focus (the ring shows, Tab moves
// it), and the keys the popover receives go to its focus widget; Tab and
// Shift+Tab go round its stops and past its ends back to the content,
// Escape gives the keyboard back to the content as it was, and so do a
// press on the content, the companion hiding and the popover going.
// A part of the companion that goes (a pane replaced) takes with it all
// that the popover keeps of it, and until it is deleted the popover hands
// the focus into the companion only from the event loop, never from within
// a deletion.
// While held (an alert of the companion's is up) it stays shown as a window
// that holds neither mouse nor keyboard, since a popup would be closed by the
// alert and would take its input.
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

    // Switches between the popup and the pinned window (shown again at its
    // place when it was shown).
    void setPinned(bool pinned);
    bool isPinned() const { return m_pinned; }
    // Holds it open as a window above the others, at its place, or lets go:
    // a popup again, shown when it was shown. Neither step sends hidden().
    void setHeld(bool held);
    bool isHeld() const { return m_held; }

    // Replaces the content (the old one goes once control returns to the
    // event loop) and sizes the window to it.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    // Deletes the content now (never from inside one of its own calls).
    void clearContent();
    ClockwiseNeonBorder* border() const { return m_border; }

    // Shows it at a frame (in global coordinates) and brings it forward.
    // hide() puts it away (the owner's doing: dismissedOutside() is not sent).
    void present(const QRect& frame);

    // A new companion ends the loan and whatever was kept of the old one.
    void setCompanion(QWidget* companion);
    QWidget* companion() const { return m_companion; }
    // part, a child of the companion, is put away for good and deleted
    // soon (it is whole still): see above.
    void companionPartGoing(QWidget* part);

    // Lends the keyboard to the shown companion with the focus on stop, one
    // of its controls (reason: Tab, Shift+Tab or other); false when it cannot.
    bool lendKeyboard(QWidget* stop, Qt::FocusReason reason);
    bool isKeyboardLent() const { return m_lent; }
    // Takes it back: the content takes the focus for the reason given (Tab,
    // Shift+Tab, or any other to stay where it was), none for a mouse press.
    void takeKeyboardBack(Qt::FocusReason reason);

signals:
    // Closed by the desktop: a press on neither the popup nor its companion,
    // Escape, another window taking the focus, a plain close().
    void dismissedOutside();
    // Gone from the screen, whichever way: put away by its owner or closed
    // by the desktop.
    void hidden();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect cardRect() const;
    bool overCompanion(const QPointF& global) const;
    // Hands a mouse event to the companion's widget at its place (or to the
    // widget that took the press); false when it is not the companion's.
    bool forwardMouse(QMouseEvent* event);
    void setKeyTarget(QWidget* target);
    // The application's events are watched while the companion types or holds the keyboard.
    void watchApplication();
    // A key the popover (or, pinned, the companion's window) received while
    // the companion holds the keyboard; true when it was used here.
    bool lentKey(QKeyEvent* key, bool atCompanion);
    // Ends the loan without moving the focus to the content.
    void endLoan();
    // Whether parts of the companion put away are not deleted yet.
    bool partsGoing();
    // Lent, with the focus kept on a shown widget of the companion.
    bool lentFocusShown() const;
    // The focus back on that widget (on the next turn of the event loop
    // while parts of the companion are going); false without one.
    bool refocusLent(Qt::FocusReason reason);
    // The flags of the popup, or of the window pinned or held; shown again
    // at its place when it was shown.
    void applyFlags();

    bool m_pinned = false;
    bool m_held = false;
    bool m_switching = false;
    QPointer<QWidget> m_content;
    ClockwiseNeonBorder* m_border;
    QPointer<QWidget> m_companion;
    QPointer<QWidget> m_mouseTarget;  // the companion's widget that took the press
    QPointer<QWidget> m_keyTarget;    // the companion's widget that types
    bool m_lent = false;
    QPointer<QWidget> m_lentFocus;    // the companion's widget that has the focus while lent
    QList<const QObject*> m_going;    // parts of the companion put away (compared only)
};

} // namespace tw
