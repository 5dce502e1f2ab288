#include "views/kit/RoundedCard.h"

#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/Tints.h"

#include <QPainter>
#include <QPainterPath>

namespace tw {

using neon::faded;

namespace {

constexpr qreal kGlowRadius = 10;

} // namespace

qreal CardLook::radius(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return 10;
    case AppAppearance::classic: return 8;
    case AppAppearance::indigo: return 18;
    }
    return 10;
}

CardLook CardLook::normal(AppAppearance a)
{
    return {AppTheme::cardFill(a), AppTheme::cardStroke(a), 1.0, Qt::transparent};
}

CardLook CardLook::active(AppAppearance a)
{
    return {AppTheme::selectionFill(a), AppTheme::selectionStroke(a), 1.6, faded(AppTheme::selectionGlow(a), 0.55)};
}

CardLook CardLook::highlighted(AppAppearance a)
{
    return {AppTheme::selectionFill(a), AppTheme::cardStroke(a), 1.0, Qt::transparent};
}

CardLook CardLook::outlined(AppAppearance a)
{
    return {AppTheme::selectionFill(a), AppTheme::selectionStroke(a), 1.0, Qt::transparent};
}

CardLook CardLook::accented(AppAppearance a)
{
    return {faded(accentTint(a), 0.10), faded(accentTint(a), 0.55), 1.0, Qt::transparent};
}

RoundedCard::RoundedCard(QWidget* parent)
    : ClickableRow(parent)
{
    onThemeChange(this, [this] {
        update();
        glowhost::invalidate(this);
    });
}

void RoundedCard::setLook(Look look)
{
    if (look == m_look || !look)
        return;
    glowhost::invalidate(this);  // where the old glow was
    m_look = look;
    update();
    glowhost::invalidate(this);
}

qreal RoundedCard::radius() const
{
    return CardLook::radius(AppTheme::appearance());
}

qreal RoundedCard::keyPartRadius(int) const
{
    return radius();
}

void RoundedCard::paintGlow(QPainter& p)
{
    const CardLook look = m_look(AppTheme::appearance());
    if (look.glow.alpha() == 0)
        return;
    // The glow of a card is that of its drawn pixels: full around its border
    // (as strong as the border is opaque), faint beneath its translucent fill.
    const QRectF r(rect());
    const qreal rad = radius();
    const QPainterPath inside = neon::roundedRect(r, rad);
    QPainterPath outside;
    outside.addRect(r.marginsAdded(QMarginsF(glowExtent())));
    outside = outside.subtracted(inside);
    const QList<neon::Shadow> glow{{look.glow, kGlowRadius, {0, 0}}};
    p.save();
    p.setClipPath(outside, Qt::IntersectClip);
    neon::paintRoundedRectShadows(p, r, rad, glow, look.stroke.alphaF());
    p.restore();
    p.save();
    p.setClipPath(inside, Qt::IntersectClip);
    neon::paintRoundedRectShadows(p, r, rad, glow, look.fill.alphaF());
    p.restore();
}

QMargins RoundedCard::glowExtent() const
{
    return neon::shadowExtent({{Qt::black, kGlowRadius, {0, 0}}});
}

void RoundedCard::paintEvent(QPaintEvent*)
{
    const CardLook look = m_look(AppTheme::appearance());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    const qreal rad = radius();
    neon::fillRoundedRect(p, r, rad, look.fill);
    if (look.stroke.alpha() > 0)
        neon::strokeRoundedRectInside(p, r, rad, look.strokeWidth, look.stroke);
}

void RoundedCard::showEvent(QShowEvent*)
{
    glowhost::attach(this);
}

} // namespace tw
