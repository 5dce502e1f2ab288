#include "views/kit/NeonPillButton.h"
#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

// ---- NeonPillButton -----------------------------------------------------------------

namespace {

constexpr qreal kGlyphScale = 0.62;  // of the glyph frame
constexpr qreal kGlyphFrame = 20;

} // namespace

NeonPillButton::NeonPillButton(const QString& title, SidebarGlyph glyph, bool selected, QWidget* parent)
    : QAbstractButton(parent)
    , m_glyph(glyph)
    , m_selected(selected)
{
    setText(title);
    // Tab reaches the pills; a click does not take the focus. The pill paints its own ring.
    keyfocus::makeStop(this);
    setToolTip(QString());
    onThemeChange(this, [this] { glowhost::invalidate(this); });
}

void NeonPillButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    glowhost::invalidate(this);
}

QColor NeonPillButton::titleColour() const
{
    return m_selected ? QColor(Qt::white) : AppTheme::neonHighlight(AppTheme::appearance());
}

QColor NeonPillButton::glyphColour() const
{
    return m_selected ? QColor(Qt::white) : faded(AppTheme::neonHighlight(AppTheme::appearance()), 0.85);
}

QColor NeonPillButton::fillColour(bool selected, AppAppearance a)
{
    if (a == AppAppearance::indigo)
        return selected ? rgb(0.12, 0.28, 0.55, 0.55) : rgb(0.08, 0.12, 0.22, 0.85);
    return selected ? rgb(0.10, 0.35, 0.70, 0.55) : rgb(0.06, 0.14, 0.32, 0.75);
}

QList<neon::Shadow> NeonPillButton::shadows(bool selected, AppAppearance a)
{
    const QColor glow = AppTheme::neonGlow(a);
    QList<neon::Shadow> s;
    if (selected)
        s.append({faded(glow, 0.65), 10, {0, 2}});
    else
        s.append({faded(glow, 0.18), 4, {0, 0}});
    s.append({faded(Qt::black, 0.25), 4, {0, 3}});
    return s;
}

QSize NeonPillButton::sizeHint() const
{
    const QFont font = typescale::font(TextRole::pill);
    const int advance = int(std::ceil(QFontMetricsF(font).horizontalAdvance(text())));
    return {14 + 20 + 9 + advance + 14, pillHeight()};
}

QSize NeonPillButton::minimumSizeHint() const
{
    return {14 + 20 + 14, pillHeight()};
}

QRectF NeonPillButton::glyphRect(QSize size, Qt::LayoutDirection direction)
{
    return Mirror(direction, QRect(QPoint(), size))(QRectF(14, (size.height() - 20) / 2.0, 20, 20));
}

QRectF NeonPillButton::titleRect(QSize size, Qt::LayoutDirection direction)
{
    const qreal x = 14 + 20 + 9;
    const qreal w = std::max<qreal>(0, size.width() - x - 14);
    return Mirror(direction, QRect(QPoint(), size))(QRectF(x, 0, w, size.height()));
}

QString NeonPillButton::shownTitle() const
{
    // Shaping text is costly; the pill repaints whenever a border near it turns.
    const qreal w = titleRect(size(), layoutDirection()).width();
    if (w != m_elidedWidth || text() != m_elidedSource) {
        m_elidedWidth = w;
        m_elidedSource = text();
        m_elided = neon::elided(text(), typescale::font(TextRole::pill), w);
    }
    return m_elided;
}

QImage NeonPillButton::body(QSize size, bool selected, AppAppearance a, qreal dpr)
{
    const QString key = QStringLiteral("pill|") + rawValue(a) + (selected ? u'S' : u'N');
    return neon::cachedImage(key, size, dpr, [&](QPainter& p) {
        const QRectF r(0, 0, size.width(), size.height());
        neon::fillRoundedRect(p, r, r.height() / 2, fillColour(selected, a));
        const QColor edge = neon::edgeColour(a);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        qreal w;
        if (selected) {
            g.setStops({{0.0, faded(Qt::white, 0.75)}, {0.5, edge}, {1.0, faded(edge, 0.5)}});
            w = 1.6;
        } else {
            g.setStops({{0.0, faded(Qt::white, 0.25)}, {0.5, faded(edge, 0.45)}, {1.0, faded(edge, 0.2)}});
            w = 1.1;
        }
        neon::strokeRoundedRectInside(p, r, r.height() / 2, w, g);
    });
}

void NeonPillButton::paintGlow(QPainter& p)
{
    const AppAppearance a = AppTheme::appearance();
    // The capsule's fill is translucent; its shadows are scaled by its opacity.
    neon::paintRoundedRectShadows(p, QRectF(rect()), height() / 2.0, shadows(m_selected, a),
                                  fillColour(m_selected, a).alphaF());
    // The kit's focus ring lies around the capsule, outside the pill: the glow layer draws it.
    if (hasFocus())
        focusring::paint(p, QRectF(rect()), focusring::kCapsule, focusring::Placement::outside, a);
}

QMargins NeonPillButton::glowExtent() const
{
    const int ring = focusring::kReach + 1;
    return neon::shadowExtent(shadows(true, AppTheme::appearance())) | QMargins(ring, ring, ring, ring);
}

void NeonPillButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    neon::drawImage(p, QPointF(0, 0), body(size(), m_selected, AppTheme::appearance(), devicePixelRatioF()));
    const qreal dpr = devicePixelRatioF();
    const QImage icon = glyphImage(m_glyph, glyphColour(), kGlyphScale, kGlyphFrame, dpr);
    const Qt::LayoutDirection direction = layoutDirection();
    p.drawImage(glyphRect(size(), direction).topLeft(), icon);
    p.setFont(typescale::font(TextRole::pill));
    p.setPen(titleColour());
    p.drawText(titleRect(size(), direction), Mirror::leading(*this) | Qt::AlignVCenter | Qt::TextSingleLine,
               shownTitle());
}

void NeonPillButton::showEvent(QShowEvent*)
{
    glowhost::attach(this);
    // The pictures are drawn on the pool while the window is made and mapped.
    const QSize size = this->size();
    const bool selected = m_selected;
    const AppAppearance a = AppTheme::appearance();
    const qreal dpr = devicePixelRatioF();
    const SidebarGlyph glyph = m_glyph;
    const QColor colour = glyphColour();
    neon::prepare([size, selected, a, dpr, glyph, colour] {
        body(size, selected, a, dpr);
        glyphImage(glyph, colour, kGlyphScale, kGlyphFrame, dpr);
        neon::prepareRoundedRectShadows(QSizeF(size), size.height() / 2.0, shadows(selected, a),
                                        fillColour(selected, a).alphaF(), dpr);
    });
}

void NeonPillButton::focusInEvent(QFocusEvent* event)
{
    QAbstractButton::focusInEvent(event);
    glowhost::invalidate(this);
}

void NeonPillButton::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    glowhost::invalidate(this);
}

bool NeonPillButton::hitButton(const QPoint& pos) const
{
    return neon::capsule(QRectF(rect())).contains(QPointF(pos));
}

} // namespace tw
