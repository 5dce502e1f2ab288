#include "views/kit/Glow.h"

#include "views/kit/NeonBorder.h"

#include <QMoveEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QWidget>

namespace tw {

// ---- Glow hosts ---------------------------------------------------------------------

namespace {

const char* const kHostProperty = "tw_glowHost";

// Repaints the host where a caster glowed at geometry (in its parent).
void invalidateAt(QWidget* caster, const QRect& geometry);

// The casters of one host. It watches them: a caster that hides, moves or
// changes size leaves its old glow beyond its rectangle, which Qt does not
// repaint (it repaints only the rectangle itself).
class GlowRegistry : public QObject {
public:
    using QObject::QObject;
    QList<QPointer<QWidget>> casters;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* caster = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::Hide:
            // A spontaneous one is the window's (minimised): the caster stays where it was.
            if (!event->spontaneous())
                invalidateAt(caster, caster->geometry());
            break;
        case QEvent::Move:
            invalidateAt(caster, QRect(static_cast<QMoveEvent*>(event)->oldPos(), caster->size()));
            invalidateAt(caster, caster->geometry());
            break;
        case QEvent::Resize:
            invalidateAt(caster, QRect(caster->pos(), static_cast<QResizeEvent*>(event)->oldSize()));
            invalidateAt(caster, caster->geometry());
            break;
        default: break;
        }
        return false;
    }
};

GlowRegistry* registryOf(const QWidget* host, bool create)
{
    auto reg = host->findChild<GlowRegistry*>(QStringLiteral("tw_glowRegistry"), Qt::FindDirectChildrenOnly);
    if (!reg && create) {
        reg = new GlowRegistry(const_cast<QWidget*>(host));
        reg->setObjectName(QStringLiteral("tw_glowRegistry"));
    }
    return reg;
}

} // namespace

namespace glowhost {

void mark(QWidget* w)
{
    w->setProperty(kHostProperty, true);
}

bool isHost(const QWidget* w)
{
    return w && w->property(kHostProperty).toBool();
}

QWidget* hostOf(const QWidget* w)
{
    for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (isHost(p))
            return p;
    return nullptr;
}

void attach(QWidget* caster)
{
    QWidget* host = hostOf(caster);
    if (!host || !qobject_cast<GlowCaster*>(caster))
        return;
    GlowRegistry* reg = registryOf(host, true);
    reg->casters.removeAll(nullptr);
    if (!reg->casters.contains(caster)) {
        reg->casters.append(caster);
        caster->installEventFilter(reg);
    }
    invalidate(caster);
}

QList<QWidget*> casters(const QWidget* host)
{
    QList<QWidget*> out;
    if (const GlowRegistry* reg = host ? registryOf(host, false) : nullptr)
        for (const QPointer<QWidget>& c : reg->casters)
            if (c)
                out << c.data();
    return out;
}

void paint(QWidget* host, QPainter& p, const QRegion& region)
{
    const GlowRegistry* reg = registryOf(host, false);
    if (!reg)
        return;
    for (const QPointer<QWidget>& c : reg->casters) {
        if (!c || !c->isVisibleTo(host) || !host->isAncestorOf(c))
            continue;
        auto caster = qobject_cast<GlowCaster*>(c.data());
        if (!caster)
            continue;
        const QPoint offset = c->mapTo(host, QPoint(0, 0));
        const QRect reach = c->rect().marginsAdded(caster->glowExtent()).translated(offset);
        if (!region.intersects(reach))
            continue;
        p.save();
        p.translate(offset);
        caster->paintGlow(p);
        p.restore();
    }
}

void invalidate(QWidget* caster)
{
    invalidateAt(caster, caster->geometry());
}

} // namespace glowhost

namespace {

void invalidateAt(QWidget* caster, const QRect& geometry)
{
    QWidget* host = glowhost::hostOf(caster);
    auto c = qobject_cast<GlowCaster*>(caster);
    // A hidden host (its tab switched away) paints nothing until shown again.
    if (!host || !c || !caster->parentWidget() || !host->isVisible())
        return;
    const QRect area = QRect(QPoint(0, 0), geometry.size())
                           .marginsAdded(c->glowExtent())
                           .translated(caster->parentWidget()->mapTo(host, geometry.topLeft()));
    host->update(area);
    // A border over the host paints its band from a picture of what lay
    // beneath: where the glow changed, that picture is out of date.
    for (ClockwiseNeonBorder* border : host->findChildren<ClockwiseNeonBorder*>()) {
        if (border->isVisible())
            border->beneathChanged(area.translated(-border->mapTo(host, QPoint(0, 0))));
    }
}

} // namespace

void GlowCastingWidget::showEvent(QShowEvent*)
{
    glowhost::attach(this);
}

} // namespace tw
