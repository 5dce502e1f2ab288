#include "views/kit/WorkspaceCard.h"

#include "state/Theme.h"
#include "views/kit/NeonShadow.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/RoundedCard.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;

// ---- WorkspaceCard --------------------------------------------------------------------

WorkspaceCard::WorkspaceCard(QWidget* parent)
    : GlowCastingWidget(parent)
    , m_content(new QWidget(this))
{
    onThemeChange(this, [this] {
        layoutContent();
        update();
        glowhost::invalidate(this);
    });
}

qreal WorkspaceCard::radius(AppAppearance a)
{
    return CardLook::radius(a);
}

int WorkspaceCard::contentInset(AppAppearance a)
{
    // A corner of radius r leaves a rectangle inset by r (1 - 1/sqrt 2) inside it.
    return int(std::ceil(radius(a) * (1 - M_SQRT1_2)));
}

void WorkspaceCard::layoutContent()
{
    const int inset = contentInset(AppTheme::appearance());
    m_content->setGeometry(rect().adjusted(inset, inset, -inset, -inset));
}

void WorkspaceCard::paintGlow(QPainter& p)
{
    const AppAppearance a = AppTheme::appearance();
    if (a != AppAppearance::indigo || !m_castsShadow)
        return;
    neon::paintRoundedRectShadows(p, QRectF(rect()), radius(a), {{faded(Qt::black, 0.35), 10, {0, 4}}});
}

QMargins WorkspaceCard::glowExtent() const
{
    return neon::shadowExtent({{faded(Qt::black, 0.35), 10, {0, 4}}});
}

void WorkspaceCard::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    neon::fillRoundedRect(p, r, radius(a), AppTheme::cardFill(a));
    neon::strokeRoundedRectInside(p, r, radius(a), 1, AppTheme::cardStroke(a));
}

void WorkspaceCard::resizeEvent(QResizeEvent*)
{
    layoutContent();
}

} // namespace tw
