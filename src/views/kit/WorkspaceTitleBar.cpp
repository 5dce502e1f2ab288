#include "views/kit/TypeScale.h"
#include "views/kit/WorkspaceTitleBar.h"

#include "state/Theme.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

// ---- WorkspaceTitleBar ---------------------------------------------------------------

WorkspaceTitleBar::WorkspaceTitleBar(const QString& title, QWidget* parent)
    : GlowCastingWidget(parent)
    , m_title(title)
    , m_border(new ClockwiseNeonBorder(16, 1.6, 2.6, this))
{
    m_border->setOpacity(0.5);
    onThemeChange(this, [this] {
        update();
        glowhost::invalidate(this);
    });
}

void WorkspaceTitleBar::setBarGeometry(const QRect& bar)
{
    setGeometry(bar.adjusted(-glowRoom(), -glowRoom(), glowRoom(), glowRoom()));
}

QRect WorkspaceTitleBar::barRect() const
{
    return rect().adjusted(glowRoom(), glowRoom(), -glowRoom(), -glowRoom());
}

int WorkspaceTitleBar::barHeight()
{
    return 12 + typescale::lineHeight(TextRole::barTitle) + 12;
}

QColor WorkspaceTitleBar::titleColour(AppAppearance a)
{
    return a == AppAppearance::classic ? rgb(0.10, 0.22, 0.48) : QColor(Qt::white);
}

QList<QColor> WorkspaceTitleBar::barFill(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return {rgb(0.08, 0.16, 0.34), rgb(0.04, 0.08, 0.18), rgb(0.03, 0.06, 0.14)};
    case AppAppearance::classic: return {rgb(0.88, 0.93, 1.0), rgb(0.78, 0.88, 0.98), rgb(0.72, 0.84, 0.96)};
    case AppAppearance::indigo: return {rgb(0.10, 0.16, 0.32), rgb(0.05, 0.08, 0.16), rgb(0.03, 0.04, 0.10)};
    }
    return {};
}

QList<neon::Shadow> WorkspaceTitleBar::shadows(AppAppearance a)
{
    const QColor glow = AppTheme::neonGlow(a);
    return {{faded(glow, 0.8), 16, {0, 0}},
            {faded(glow, 0.5), 28, {0, 4}},
            {faded(Qt::black, a == AppAppearance::classic ? 0.12 : 0.35), 8, {0, 4}}};
}

QImage WorkspaceTitleBar::body() const
{
    const AppAppearance a = AppTheme::appearance();
    const QRect bar = barRect();
    // The title stands on the leading side.
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QString key = QStringLiteral("titlebar|") + rawValue(a) + (rtl ? u'<' : u'|') + m_title;
    return neon::cachedImage(key, bar.size(), devicePixelRatioF(), [&](QPainter& p) {
        const QRectF r(0, 0, bar.width(), bar.height());
        const QList<QColor> fill = barFill(a);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setStops({{0.0, fill[0]}, {0.5, fill[1]}, {1.0, fill[2]}});
        neon::fillRoundedRect(p, r, 16, g);

        const QColor accent = AppTheme::neonHighlight(a);
        const QColor edge = neon::edgeColour(a);
        QLinearGradient e(r.topLeft(), r.bottomRight());
        e.setStops({{0.0, faded(accent, 0.95)}, {0.5, edge}, {1.0, faded(edge, 0.5)}});
        neon::strokeRoundedRectInside(p, r, 16, 1.8, e);

        p.setClipRect(r.adjusted(2, 2, -2, -2));
        const QFont font = typescale::font(TextRole::barTitle);
        const qreal textWidth = std::max<qreal>(0, r.width() - 36 - 8);
        const Mirror m(layoutDirection(), r.toRect());
        const QRectF textRect = m(QRectF(18, 0, textWidth, r.height()));
        const QColor glow = AppTheme::neonGlow(a);
        neon::paintGlowingText(p, textRect, m.align(Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine,
                               neon::elided(m_title, font, textRect.width()), font, titleColour(a),
                               {{faded(glow, 0.7), 10, {0, 0}}, {faded(glow, 0.35), 18, {0, 0}}});
    });
}

void WorkspaceTitleBar::paintGlow(QPainter& p)
{
    neon::paintRoundedRectShadows(p, QRectF(barRect()), 16, shadows(AppTheme::appearance()));
}

QMargins WorkspaceTitleBar::glowExtent() const
{
    return neon::shadowExtentBeyond(shadows(AppTheme::appearance()), glowRoom());
}

void WorkspaceTitleBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    neon::drawImage(p, barRect().topLeft(), body());
}

void WorkspaceTitleBar::resizeEvent(QResizeEvent*)
{
    m_border->setGeometry(rect());
}

} // namespace tw
