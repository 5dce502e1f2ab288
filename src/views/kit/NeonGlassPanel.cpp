#include "views/kit/NeonGlassPanel.h"

#include "state/Theme.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonShapes.h"

#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

namespace {
// The glass is translucent (0.55 to 0.92); its shadows are scaled by its mean opacity.
constexpr qreal kGlowOpacity = 0.78;
} // namespace

// ---- NeonGlassPanel ----------------------------------------------------------------

NeonGlassPanel::NeonGlassPanel(QWidget* parent)
    : GlowCastingWidget(parent)
    , m_content(new QWidget(this))
    , m_border(new ClockwiseNeonBorder(cornerRadius(), 1.8, 2.6, this))
{
    glowhost::mark(this);
    m_border->setOpacity(0.55);
    onThemeChange(this, [this] { glowhost::invalidate(this); });
}

void NeonGlassPanel::setCardGeometry(const QRect& card)
{
    setGeometry(card.adjusted(-glowRoom(), -glowRoom(), glowRoom(), glowRoom()));
}

QRect NeonGlassPanel::cardRect() const
{
    return rect().adjusted(glowRoom(), glowRoom(), -glowRoom(), -glowRoom());
}

QList<neon::Shadow> NeonGlassPanel::shadows(AppAppearance a)
{
    const QColor glow = AppTheme::neonGlow(a);
    return {{faded(glow, 0.85), 26, {0, 0}},
            {faded(glow, 0.55), 14, {0, 0}},
            {faded(AppTheme::neonHighlight(a), 0.65), 6, {0, 0}},
            {faded(Qt::black, 0.35), 12, {0, 8}}};
}

QImage NeonGlassPanel::body(QSize size, AppAppearance a, qreal dpr)
{
    return neon::cachedImage(QStringLiteral("glasspanel|") + rawValue(a), size, dpr, [&](QPainter& p) {
        const QRectF r(0, 0, size.width(), size.height());
        const qreal radius = cornerRadius();

        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setStops({{0.0, rgb(0.10, 0.22, 0.48, 0.55)},
                       {0.5, a == AppAppearance::indigo ? rgb(0.06, 0.09, 0.18, 0.82) : rgb(0.05, 0.10, 0.22, 0.88)},
                       {1.0, rgb(0.03, 0.06, 0.16, 0.92)}});
        neon::fillRoundedRect(p, r, radius, fill);

        // The sheen: from the top edge to the middle, screened over the fill.
        QLinearGradient sheen(r.topLeft(), QPointF(r.left(), r.center().y()));
        sheen.setStops({{0.0, faded(Qt::white, 0.14)}, {0.5, faded(Qt::white, 0.02)}, {1.0, QColor(255, 255, 255, 0)}});
        p.setCompositionMode(QPainter::CompositionMode_Screen);
        neon::fillRoundedRect(p, QRectF(r.left(), r.top(), r.width(), r.height() / 2 + radius), radius, sheen);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);

        const qreal edgeWidth = 2.2;
        QLinearGradient edge(r.topLeft(), r.bottomLeft());
        edge.setStops({{0.0, faded(Qt::white, 0.85)},
                       {1.0 / 3, AppTheme::neonHighlight(a)},
                       {2.0 / 3, neon::edgeColour(a)},
                       {1.0, faded(neon::edgeColour(a), 0.55)}});
        neon::strokeRoundedRectInside(p, r, radius, edgeWidth, edge);

        // The highlight line along the top.
        const QRectF line(18, 7, std::max<qreal>(0, r.width() - 36), 2);
        QLinearGradient shine(line.topLeft(), line.topRight());
        shine.setStops({{0.0, faded(Qt::white, 0.9)},
                        {0.5, faded(AppTheme::neonHighlight(a), 0.35)},
                        {1.0, QColor(255, 255, 255, 0)}});
        p.fillPath(neon::capsule(line), shine);
    });
}

void NeonGlassPanel::paintGlow(QPainter& p)
{
    neon::paintRoundedRectShadows(p, QRectF(cardRect()), cornerRadius(), shadows(AppTheme::appearance()), kGlowOpacity);
}

QMargins NeonGlassPanel::glowExtent() const
{
    return neon::shadowExtentBeyond(shadows(AppTheme::appearance()), glowRoom());
}

void NeonGlassPanel::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect card = cardRect();
    neon::drawImage(p, card.topLeft(), body(card.size(), AppTheme::appearance(), devicePixelRatioF()));
    glowhost::paint(this, p, event->region());
}

void NeonGlassPanel::showEvent(QShowEvent* event)
{
    GlowCastingWidget::showEvent(event);
    // The body and the glow are drawn on the pool while the window is made
    // and mapped, so the first paint finds them cached.
    const QSize card = cardRect().size();
    const AppAppearance a = AppTheme::appearance();
    const qreal dpr = devicePixelRatioF();
    neon::prepare([card, a, dpr] {
        body(card, a, dpr);
        neon::prepareRoundedRectShadows(QSizeF(card), cornerRadius(), shadows(a), kGlowOpacity, dpr);
    });
}

void NeonGlassPanel::resizeEvent(QResizeEvent*)
{
    m_content->setGeometry(cardRect());
    m_border->setGeometry(rect());
    m_border->raise();
}

} // namespace tw
