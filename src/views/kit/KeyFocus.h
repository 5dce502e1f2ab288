#pragma once

#include "state/AppAppearance.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QPainter;

namespace tw {

// The keyboard's focus look, the same for every control: a ring around the
// control's outline, a thin line of the panel's colour between the two, in
// colours of its own (not the accent of a selection or a press). The ring
// lies outside the outline, or inside it where no room is left around.
namespace focusring {

enum class Placement { outside, inside };

// A radius that makes the outline a capsule.
constexpr qreal kCapsule = -1;
// How far the ring reaches beyond the outline when outside.
constexpr int kReach = 4;

QColor colour(AppAppearance a);
// The line between the outline and the ring.
QColor separator(AppAppearance a);
// Paints the ring about outline (corner radius, kCapsule for a capsule).
void paint(QPainter& p, const QRectF& outline, qreal radius, Placement placement, AppAppearance a);
// Repaints area of w, where a ring came or went, and tells the neon borders
// over it (they paint their band from a picture of what lay beneath).
void changed(QWidget* w, const QRect& area);

} // namespace focusring

// A ring shown over a widget or a part of one: a child of host placed above
// its siblings, taking no mouse events. It repaints on a change of theme.
class FocusRing : public QWidget {
    Q_OBJECT
public:
    explicit FocusRing(QWidget* host);

    // Shows the ring about outline, given in the host's coordinates.
    void showAround(const QRect& outline, qreal radius, focusring::Placement placement);
    QRect outline() const { return m_outline; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRect m_outline;
    qreal m_radius = 0;
    focusring::Placement m_placement = focusring::Placement::outside;
};

// The controls' side of the keyboard. A stop is reached with Tab and
// Shift+Tab (never by a click), shows the focus ring while it has the focus,
// and Space or Return acts on it: a button is clicked, other widgets take
// the keys themselves. A stop inside a list's row is no Tab stop: the list
// reaches it with the arrow keys (see LazyList).
namespace keyfocus {

// Makes w such a stop, with a ring about its outline of the given radius:
// outside it, or inside it for a control that fills a box drawn about it.
void makeStop(QWidget* w, qreal radius, focusring::Placement placement = focusring::Placement::outside);
// The same for a widget that paints its own ring while it has the focus.
void makeStop(QWidget* w);
// The radius given to makeStop (6 for any other widget).
qreal ringRadius(const QWidget* w);
// Lets the arrow keys move the focus among stops that stand together (a
// column of pills or kinds, a grid of cards): to the nearest stop on screen
// in the arrow's direction that shares the row (Left, Right: overlaps it
// from top to bottom) or the column (Up, Down: overlaps it from side to
// side), never diagonally. Tab still visits each.
void arrowGroup(const QList<QWidget*>& stops);
// The same for parts one widget paints: of rects, the one nearest to
// rects[from] in the direction of an arrow key, or -1.
int nearestInDirection(const QList<QRect>& rects, int from, int key);
// Marks w as the content of a list: the stops inside its children are
// reached by the list, not with Tab.
void markRowHost(QWidget* w);
bool inRowHost(const QWidget* w);
// The stops of a window in Tab order (shown and enabled ones).
QList<QWidget*> tabStops(QWidget* window);

// A floating window that shares the activation of the window the user works
// in: while it does, its controls take the focus as an active window's do
// (the ring shows, Tab moves it), though the keys still reach the other
// window, which hands them on (the menu bar's side panel beside its popup,
// which holds the keyboard). Works through the kit's style: installStyle,
// before the program's first window.
void shareActivation(QWidget* window, bool share);
bool sharesActivation(const QWidget* window);
// Puts the kit's style over the application's own (once; later calls do nothing).
void installStyle();
// Puts w away for good: hidden, no longer the focus its window keeps for
// its next activation, and deleted once control returns to the event loop.
void putAway(QWidget* w);

// w (a window, an alert, a sheet) holds the focus itself, showing no ring,
// until Tab moves it on: it takes it when shown with none of its controls
// focused. It is no click stop: a click on it, or on any part of it that
// takes no focus (a background, a card, a header), leaves the focus, caret
// and ring where they were.
void holdFocusItself(QWidget* w);
// Marks w as a pane (a tab's workspace, a panel's content). When the control
// holding its window's focus inside it goes (disabled, hidden, deleted, or
// left unable to hold it: see cannotHold), the focus moves to the pane's
// nearest list that can take it, else to its nearest stop on screen, else to
// the window itself; never out of the pane (to the title-bar buttons, say).
// A window that is not active gets it there as it comes back.
void markPane(QWidget* w);
// w can hold the focus no more (a list left without rows): if it held its
// window's focus inside a pane, that goes on as when a control goes, from
// place (in w, where the focus showed: a row that went) when given.
void cannotHold(QWidget* w, const QRect& place = {});

// Where a window's keyboard focus stands, kept while something takes it for
// a while (an alert over the window, a sheet in it): the control the user
// left it on, also when the focus was handed on from it because it was
// disabled (a button greyed out while its alert asks or its work runs) and
// the user has not moved on since (a key or a click in that window, or the
// focus moved).
class FocusReturn {
public:
    // The focus of window (null: of the window with the keyboard).
    explicit FocusReturn(QWidget* window = nullptr);
    // Gives it back once control returns to the event loop (what asked has
    // run on by then): to that control if shown and enabled, else to the one
    // the focus stood on, else as when a control goes (see markPane).
    void giveBack() const;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_left;
    QPointer<QWidget> m_focus;
    QPointer<QWidget> m_pane;
    QRect m_place;  // global
};

} // namespace keyfocus

} // namespace tw
