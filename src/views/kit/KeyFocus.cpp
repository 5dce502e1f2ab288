#include "views/kit/KeyFocus.h"

#include "state/Theme.h"
#include "views/kit/AppOwned.h"
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
    if (QWidget* kept = w->window()->focusWidget(); kept && (kept == w || w->isAncestorOf(kept)))
        kept->clearFocus();
    w->hide();
    w->deleteLater();
}

} // namespace keyfocus

} // namespace tw
