#include "views/kit/Glow.h"

#include "views/kit/NeonBorder.h"

#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QWidget>

namespace tw {

// ---- Glow hosts ---------------------------------------------------------------------

namespace {

const char* const kHostProperty = "tw_glowHost";

class GlowRegistry : public QObject {
public:
    using QObject::QObject;
    QList<QPointer<QWidget>> casters;
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
    if (!reg->casters.contains(caster))
        reg->casters.append(caster);
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
    QWidget* host = hostOf(caster);
    auto c = qobject_cast<GlowCaster*>(caster);
    if (!host || !c)
        return;
    const QRect area = caster->rect().marginsAdded(c->glowExtent()).translated(caster->mapTo(host, QPoint(0, 0)));
    host->update(area);
    // A border over the host paints its band from a picture of what lay
    // beneath: where the glow changed, that picture is out of date.
    for (ClockwiseNeonBorder* border : host->findChildren<ClockwiseNeonBorder*>()) {
        if (border->isVisible())
            border->beneathChanged(area.translated(-border->mapTo(host, QPoint(0, 0))));
    }
}

} // namespace glowhost

void GlowCastingWidget::showEvent(QShowEvent*)
{
    glowhost::attach(this);
}

} // namespace tw
