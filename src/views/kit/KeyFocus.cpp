#include "views/kit/KeyFocus.h"

#include "state/Theme.h"
#include "views/kit/AppOwned.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonShapes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace tw {

namespace focusring {

QColor colour(AppAppearance a)
{
    // Lighter than any selection stroke on the dark themes, darker on the light one.
    switch (a) {
    case AppAppearance::classic: return rgb(0.04, 0.32, 0.80);
    case AppAppearance::indigo: return rgb(0.86, 0.90, 1.0);
    case AppAppearance::midnight: break;
    }
    return rgb(0.80, 0.94, 1.0);
}

QColor separator(AppAppearance a)
{
    return a == AppAppearance::classic ? faded(Qt::white, 0.9) : faded(AppTheme::panelBase(a), 0.85);
}

void paint(QPainter& p, const QRectF& outline, qreal radius, Placement placement, AppAppearance a)
{
    // The separator hugs the outline, the ring lies beyond it (inside: within it).
    const qreal sign = placement == Placement::outside ? 1 : -1;
    auto around = [&](qreal d) {
        const QRectF r = outline.adjusted(-sign * d, -sign * d, sign * d, sign * d);
        const qreal rr = radius == kCapsule ? r.height() / 2 : std::max<qreal>(0, radius + sign * d);
        return neon::roundedRect(r, rr);
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(separator(a), 1.5));
    p.drawPath(around(placement == Placement::outside ? 0.75 : 3.25));
    p.setPen(QPen(colour(a), 2));
    p.drawPath(around(placement == Placement::outside ? 2.5 : 1.5));
    p.restore();
}

void changed(QWidget* w, const QRect& area)
{
    w->update(area);
    const QRect global(w->mapToGlobal(area.topLeft()), area.size());
    for (ClockwiseNeonBorder* border : w->window()->findChildren<ClockwiseNeonBorder*>()) {
        const QRect mine(border->mapToGlobal(QPoint(0, 0)), border->size());
        if (border->isVisible() && mine.intersects(global))
            border->beneathChanged(global.translated(-mine.topLeft()));
    }
}

} // namespace focusring

// ---- FocusRing ------------------------------------------------------------------------

FocusRing::FocusRing(QWidget* host)
    : QWidget(host)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    onThemeChange(this, [this] { update(); });
}

void FocusRing::showAround(const QRect& outline, qreal radius, focusring::Placement placement)
{
    const int reach = placement == focusring::Placement::outside ? focusring::kReach : 0;
    const QRect area = outline.adjusted(-reach, -reach, reach, reach);
    m_outline = outline.translated(-area.topLeft());
    m_radius = radius;
    m_placement = placement;
    // A ring that comes or moves is news to the borders; one that stays only repaints.
    const bool moved = geometry() != area || isHidden();
    if (geometry() != area)
        setGeometry(area);
    raise();
    show();
    if (!moved)
        update();
    else if (QWidget* host = parentWidget())
        focusring::changed(host, area);
}

void FocusRing::hideEvent(QHideEvent*)
{
    // Told once the event is done: a ring hides as its control loses the
    // focus, which may be in the middle of the window's destruction.
    if (QWidget* host = parentWidget())
        QTimer::singleShot(0, host, [host, area = geometry()] { focusring::changed(host, area); });
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    focusring::paint(p, QRectF(m_outline), m_radius, m_placement, AppTheme::appearance());
}

// ---- keyfocus ---------------------------------------------------------------------------

namespace keyfocus {

namespace {

const char* const kRadius = "tw_focusRingRadius";
const char* const kInside = "tw_focusRingInside";
const char* const kWatched = "tw_focusStop";
const char* const kRowHost = "tw_rowHost";
const char* const kSharesActivation = "tw_sharesActivation";
const char* const kPane = "tw_focusPane";
const char* const kHolder = "tw_holdsFocus";

// The application's style with one hint of its own: a window marked by
// shareActivation counts as active (a tool window that shares activation).
class KitStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_Widget_ShareActivation && widget && sharesActivation(widget->window()))
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

// The stops of an arrow group, kept by each of them.
using Group = QList<QPointer<QWidget>>;

// The member of group nearest to from in the direction of key, or null.
QWidget* neighbour(const Group& group, QWidget* from, int key)
{
    QList<QWidget*> shown{from};
    QList<QRect> rects{QRect(from->mapToGlobal(QPoint(0, 0)), from->size())};
    for (const QPointer<QWidget>& w : group)
        if (w && w != from && w->isVisible() && w->isEnabled()) {
            shown << w;
            rects << QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
        }
    return shown.value(nearestInDirection(rects, 0, key));
}

// Keeps the rings of the stops: one per stop, made at its first focus, in
// the stop's parent.
class StopKeeper : public QObject {
public:
    using QObject::QObject;

    void watch(QWidget* w)
    {
        if (w->property(kWatched).toBool())
            return;
        w->setProperty(kWatched, true);
        w->installEventFilter(this);
        connect(w, &QObject::destroyed, this, [this, w] {
            if (QPointer<FocusRing> ring = m_rings.take(w))
                ring->deleteLater();
            m_groups.remove(w);
        });
    }

    void group(const QList<QWidget*>& stops)
    {
        auto members = std::make_shared<Group>();
        for (QWidget* w : stops)
            members->append(w);
        for (QWidget* w : stops) {
            watch(w);
            m_groups.insert(w, members);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            if (w->hasFocus())
                place(w);
            break;
        case QEvent::FocusOut:
        case QEvent::Hide:
            if (FocusRing* ring = m_rings.value(w))
                ring->hide();
            break;
        case QEvent::ParentChange:
            if (QPointer<FocusRing> ring = m_rings.take(w))
                ring->deleteLater();
            break;
        case QEvent::Polish:
            if (inRowHost(w))
                w->setFocusPolicy(Qt::NoFocus);
            break;
        case QEvent::KeyPress: {
            // Space is a button's own key; Return and Enter press it as well.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (const auto group = m_groups.constFind(w); group != m_groups.constEnd()
                && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Left
                    || key->key() == Qt::Key_Right)
                && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                if (QWidget* next = neighbour(**group, w, key->key()))
                    next->setFocus(Qt::TabFocusReason);
                return true;
            }
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                button->animateClick();
                return true;
            }
            break;
        }
        default: break;
        }
        return false;
    }

private:
    void place(QWidget* w)
    {
        // Only the stops given a radius; the others paint their own ring.
        QWidget* host = w->parentWidget();
        if (!host || w->isWindow() || !w->property(kRadius).isValid())
            return;
        QPointer<FocusRing>& ring = m_rings[w];
        if (!ring)
            ring = new FocusRing(host);
        ring->showAround(w->geometry(), ringRadius(w),
                         w->property(kInside).toBool() ? focusring::Placement::inside : focusring::Placement::outside);
    }

    QHash<QWidget*, QPointer<FocusRing>> m_rings;
    QHash<QWidget*, std::shared_ptr<Group>> m_groups;
};

bool canHold(const QWidget* w)
{
    return w && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isEnabled() && w->isVisible()
        && !w->focusProxy();
}

QWidget* paneOf(QWidget* w)
{
    for (QWidget* p = w; p && !p->isWindow(); p = p->parentWidget())
        if (p->property(kPane).toBool())
            return p;
    return nullptr;
}

QRect globalRect(const QWidget* w)
{
    return {w->mapToGlobal(QPoint(0, 0)), w->size()};
}

// The square of the gap between two rectangles (0 when they meet).
qint64 gap(const QRect& a, const QRect& b)
{
    const qint64 dx = std::max({0, a.left() - b.right(), b.left() - a.right()});
    const qint64 dy = std::max({0, a.top() - b.bottom(), b.top() - a.bottom()});
    return dx * dx + dy * dy;
}

// The widget below root nearest to place (global) among those rank counts
// (above 0): a higher rank wins over nearness.
template <typename Rank>
QWidget* nearest(QWidget* root, const QRect& place, Rank rank)
{
    QWidget* best = nullptr;
    int bestRank = 0;
    qint64 bestGap = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const int r = rank(w);
        if (r <= 0)
            continue;
        const qint64 g = gap(place, globalRect(w));
        if (!best || r > bestRank || (r == bestRank && g < bestGap)) {
            best = w;
            bestRank = r;
            bestGap = g;
        }
    }
    return best;
}

// Where the focus goes in pane from a control that stood at place (global):
// the nearest list, else the nearest stop; never from or into its own subtree.
QWidget* successor(QWidget* pane, const QRect& place, const QWidget* from)
{
    return nearest(pane, place, [&](QWidget* w) {
        if (w == from || (from && from->isAncestorOf(w)) || w->window() != pane->window() || !canHold(w))
            return 0;
        return qobject_cast<LazyList*>(w) ? 2 : 1;
    });
}

// The pane of window nearest to place (global): where a pane that went stood.
QWidget* paneNear(QWidget* window, const QRect& place)
{
    return nearest(window, place, [](QWidget* w) { return w->property(kPane).toBool() && w->isVisible() ? 1 : 0; });
}

// The focus of each window that holds it in a pane, handed on within the
// pane when its control goes and given back after an alert or a sheet; the
// windows and sheets that hold the focus themselves.
class FocusKeeper : public QObject {
public:
    explicit FocusKeeper(QObject* parent)
        : QObject(parent)
    {
        connect(qApp, &QApplication::focusChanged, this, &FocusKeeper::focusChanged);
    }

    void holdItself(QWidget* w)
    {
        w->setFocusPolicy(Qt::NoFocus);
        w->setProperty(kHolder, true);
        w->installEventFilter(this);
    }

    // w can hold its window's focus no more; it showed it at place (global) when valid.
    void passOn(QWidget* from, const QRect& place = {})
    {
        const auto it = m_held.constFind(from->window());
        if (it == m_held.constEnd() || it->widget != from)
            return;
        Held h = *it;
        h.place = place.isValid() ? place : globalRect(from);
        moveFrom(h, from);
    }

    void forget(QWidget* w) { release(w->window()); }

    // The control the user left window's focus on, focus being where it is now.
    QWidget* leftOn(QWidget* window, QWidget* focus) const
    {
        const auto d = m_displaced.constFind(window);
        return d != m_displaced.constEnd() && d->to == focus && d->from ? d->from.data() : focus;
    }

    void giveBack(QWidget* window, const QList<QPointer<QWidget>>& choices, QWidget* pane, const QRect& place)
    {
        if (!window || !window->isVisible())
            return;
        QWidget* now = window->focusWidget();
        for (const QPointer<QWidget>& w : choices)
            if (w && w->window() == window && (canHold(w) || (w == window && w->property(kHolder).toBool()))) {
                // As it was: a list shows its ring if it did.
                m_comeBack.remove(window);
                if (now != w)
                    w->setFocus(Qt::ActiveWindowFocusReason);
                return;
            }
        // Gone: unless the focus found a control of a pane meanwhile, the nearest one.
        if (now && now != window && now->isVisible() && paneOf(now))
            return;
        Held h;
        h.pane = pane ? pane : paneNear(window, place);
        h.window = window;
        h.place = place;
        moveFrom(h, nullptr);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::Show:
            if (w->property(kHolder).toBool() && !event->spontaneous() && !w->focusWidget())
                w->setFocus(Qt::OtherFocusReason);
            break;
        case QEvent::EnabledChange:
            if (!w->isEnabled())
                passOn(w);
            break;
        case QEvent::Hide:
            // Not a window hidden or minimised with it.
            if (!event->spontaneous() && !w->isWindow() && w->window()->isVisible())
                passOn(w);
            break;
        case QEvent::WindowActivate:
            // Given while the window was away: shown now, ring and all.
            if (const QPointer<QWidget> to = m_comeBack.take(w); to && to->window() == w && canHold(to))
                to->setFocus(Qt::OtherFocusReason);
            break;
        default: break;
        }
        return false;
    }

private:
    struct Held {
        QPointer<QWidget> widget;
        QPointer<QWidget> pane;
        QPointer<QWidget> window;
        QRect place;  // global, where it stood when last seen
        QMetaObject::Connection gone;
    };
    // A control that went for a while (from) and where its focus went (to).
    struct Displaced {
        QPointer<QWidget> from;
        QPointer<QWidget> to;
    };

    void focusChanged(QWidget* old, QWidget* now)
    {
        const auto it = old ? m_held.constFind(old->window()) : m_held.constEnd();
        if (it != m_held.constEnd() && it->widget == old) {
            // Qt hands the focus on from a control that went (to the next stop, the title-bar buttons
            // among them), or to a container that cannot hold it (a stack's new page).
            if (!canHold(old) && (!now || now->window() == old->window())) {
                passOn(old);
                return;
            }
            if (now && paneOf(now) == it->pane && !canHold(now)) {
                old->setFocus(Qt::OtherFocusReason);
                return;
            }
        }
        if (now)
            hold(now);
    }

    void hold(QWidget* w)
    {
        QWidget* window = w->window();
        // The focus moved on from where it was handed.
        if (const auto d = m_displaced.constFind(window); d != m_displaced.constEnd() && d->to != w)
            forgetDisplaced(window);
        QWidget* pane = paneOf(w);
        if (m_held.value(window).widget != w)
            release(window);
        if (!pane)
            return;
        Held& h = m_held[window];
        if (!h.widget) {
            w->installEventFilter(this);
            h.gone = connect(w, &QObject::destroyed, this, [this, window] {
                // Once its pane's own destruction, if any, is over.
                QTimer::singleShot(0, this, [this, window] { gone(window); });
            });
        }
        h.widget = w;
        h.pane = pane;
        h.window = window;
        h.place = globalRect(w);
    }

    void release(QWidget* window)
    {
        const Held h = m_held.take(window);
        disconnect(h.gone);
        if (h.widget)
            h.widget->removeEventFilter(this);
    }

    // The held control of window was deleted.
    void gone(QWidget* window)
    {
        const auto it = m_held.constFind(window);
        if (it == m_held.constEnd() || it->widget)
            return;
        Held h = m_held.take(window);
        // Nothing took the focus since (the window may have kept it itself);
        // a pane that went with it gave way to the one standing there now.
        QWidget* focus = h.window ? h.window->focusWidget() : nullptr;
        if (!h.window || (focus && focus != h.window))
            return;
        if (!h.pane)
            h.pane = paneNear(h.window, h.place);
        moveFrom(h, nullptr);
    }

    void moveFrom(const Held& h, QWidget* from)
    {
        // Where the user left the focus, also across moves made here.
        const QPointer<QWidget> left = leftOn(h.window, from);
        release(h.window);
        if (!h.window)
            return;
        if (!h.pane || !h.pane->isVisible()) {
            // The window itself, rather than the first stop Qt would pick.
            if (h.window->property(kHolder).toBool() && !from)
                h.window->setFocus(Qt::OtherFocusReason);
            return;
        }
        QWidget* to = successor(h.pane, h.place, from);
        if (to)
            hold(to);
        else
            to = h.window;
        if (left && !left->isEnabled()) {
            m_displaced.insert(h.window, {left, to});
            qApp->installEventFilter(m_input);
        }
        // Not as Tab would: a field keeps its text unselected.
        to->setFocus(Qt::OtherFocusReason);
        if (to != h.window && !h.window->isActiveWindow()) {
            m_comeBack.insert(h.window, to);
            h.window->installEventFilter(this);
        }
    }

    // Sees each key and click while a focus is handed on: in its window, the user moved on from there.
    class InputWatch : public QObject {
    public:
        explicit InputWatch(FocusKeeper* keeper)
            : QObject(keeper)
            , m_keeper(keeper)
        {
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if ((event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) && watched->isWidgetType())
                m_keeper->forgetDisplaced(static_cast<QWidget*>(watched)->window());
            return false;
        }

    private:
        FocusKeeper* m_keeper;
    };

    void forgetDisplaced(QWidget* window)
    {
        m_displaced.remove(window);
        if (m_displaced.isEmpty())
            qApp->removeEventFilter(m_input);
    }

    QHash<QWidget*, Held> m_held;  // by window
    QHash<QWidget*, QPointer<QWidget>> m_comeBack;
    QHash<QWidget*, Displaced> m_displaced;  // by window
    InputWatch* m_input = new InputWatch(this);
};

} // namespace

void makeStop(QWidget* w, qreal radius, focusring::Placement placement)
{
    w->setProperty(kRadius, radius);
    w->setProperty(kInside, placement == focusring::Placement::inside);
    makeStop(w);
}

void makeStop(QWidget* w)
{
    w->setFocusPolicy(Qt::TabFocus);
    appOwned<StopKeeper>().watch(w);
}

qreal ringRadius(const QWidget* w)
{
    const QVariant r = w->property(kRadius);
    return r.isValid() ? r.toReal() : 6;
}

void arrowGroup(const QList<QWidget*>& stops)
{
    appOwned<StopKeeper>().group(stops);
}

int nearestInDirection(const QList<QRect>& rects, int from, int key)
{
    const QRect origin = rects.value(from);
    const QPoint c = origin.center();
    const bool sideways = key == Qt::Key_Left || key == Qt::Key_Right;
    int best = -1;
    int bestCost = 0;
    for (int i = 0; i < rects.size(); ++i) {
        const QPoint d = rects[i].center() - c;
        const int along = key == Qt::Key_Left ? -d.x() : key == Qt::Key_Right ? d.x() : key == Qt::Key_Up ? -d.y() : d.y();
        const int across = sideways ? std::abs(d.y()) : std::abs(d.x());
        // Sideways only within the row's band, up and down only within the
        // column's: never diagonally out of either.
        const bool inBand = sideways ? rects[i].top() <= origin.bottom() && origin.top() <= rects[i].bottom()
                                     : rects[i].left() <= origin.right() && origin.left() <= rects[i].right();
        // Ahead of it, and the straighter the nearer.
        if (i == from || along <= 0 || !inBand)
            continue;
        const int cost = along + 2 * across;
        if (best < 0 || cost < bestCost) {
            best = i;
            bestCost = cost;
        }
    }
    return best;
}

void markRowHost(QWidget* w)
{
    w->setProperty(kRowHost, true);
}

bool inRowHost(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p->property(kRowHost).toBool())
            return true;
    return false;
}

QList<QWidget*> tabStops(QWidget* window)
{
    // As Qt's own Tab goes: along the focus chain.
    QList<QWidget*> stops;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isEnabled() && w->isVisibleTo(window))
            stops << w;
    return stops;
}

void shareActivation(QWidget* window, bool share)
{
    window->setProperty(kSharesActivation, share);
}

bool sharesActivation(const QWidget* window)
{
    return window && window->property(kSharesActivation).toBool();
}

void installStyle()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || dynamic_cast<KitStyle*>(QApplication::style()))
        return;
    // A new copy of the style in use (the application owns and deletes the old one).
    QApplication::setStyle(new KitStyle(QApplication::style()->name()));
}

void putAway(QWidget* w)
{
    if (QWidget* kept = w->window()->focusWidget(); kept && (kept == w || w->isAncestorOf(kept))) {
        appOwned<FocusKeeper>().forget(kept);
        kept->clearFocus();
    }
    w->hide();
    w->deleteLater();
}

void holdFocusItself(QWidget* w)
{
    appOwned<FocusKeeper>().holdItself(w);
}

void markPane(QWidget* w)
{
    w->setProperty(kPane, true);
    appOwned<FocusKeeper>();
}

void cannotHold(QWidget* w, const QRect& place)
{
    appOwned<FocusKeeper>().passOn(w, place.isValid() ? QRect(w->mapToGlobal(place.topLeft()), place.size()) : QRect());
}

FocusReturn::FocusReturn(QWidget* window)
{
    if (!window) {
        QWidget* focus = QApplication::focusWidget();
        window = focus ? focus : QApplication::activeWindow();
    }
    if (!window)
        return;
    m_window = window->window();
    QWidget* focus = m_window->focusWidget();
    m_focus = focus;
    m_left = appOwned<FocusKeeper>().leftOn(m_window, focus);
    if (focus) {
        m_pane = paneOf(focus);
        m_place = globalRect(focus);
    }
}

void FocusReturn::giveBack() const
{
    FocusKeeper* keeper = &appOwned<FocusKeeper>();
    QTimer::singleShot(0, keeper, [keeper, kept = *this] {
        keeper->giveBack(kept.m_window, {kept.m_left, kept.m_focus}, kept.m_pane, kept.m_place);
    });
}

} // namespace keyfocus

} // namespace tw
