#include "views/startup/BorderedButton.h"

#include "views/kit/NeonPaint.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

namespace {

constexpr qreal kRadius = 7;

} // namespace

BorderedButton::BorderedButton(const QString& title, Style style, const QFont& font, QWidget* parent)
    : QAbstractButton(parent)
    , m_style(style)
{
    setText(title);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

BorderedButton* BorderedButton::small(const QString& title, QWidget* parent)
{
    auto* button = new BorderedButton(title, Style::bordered, neon::systemFont(11, QFont::Normal), parent);
    button->setFixedHeight(22);
    return button;
}

void BorderedButton::setTint(Tint tint)
{
    m_tint = tint;
    update();
}

QSize BorderedButton::sizeHint() const
{
    const QFontMetricsF m(font());
    return {int(std::ceil(m.horizontalAdvance(text()))) + 20, int(std::ceil(m.height())) + 10};
}

void BorderedButton::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool prominent = m_style == Style::prominent;
    QColor fill = prominent ? tintColour(m_tint, a) : isDark(a) ? faded(Qt::white, 0.10) : rgb(0.97, 0.97, 0.98);
    if (isDown())
        fill = prominent ? fill.darker(118) : isDark(a) ? faded(Qt::white, 0.18) : rgb(0.88, 0.88, 0.90);
    if (!isEnabled())
        p.setOpacity(0.45);
    neon::fillRoundedPath(p, r, kRadius, fill);
    if (!prominent)
        neon::strokeRoundedPathInside(p, r, kRadius, 1, isDark(a) ? faded(Qt::white, 0.16) : faded(Qt::black, 0.14));
    if (hasFocus())
        neon::strokeRoundedPathInside(p, r, kRadius, 2, faded(accentTint(a), 0.6));
    p.setPen(prominent ? QColor(Qt::white) : primaryTextTint(a));
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, neon::elided(text(), font(), r.width() - 8));
}

} // namespace tw
