#include "views/kit/ProminentButton.h"

#include "views/kit/NeonPaint.h"
#include "views/kit/Tints.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr qreal kRadius = 7;

} // namespace

ProminentButton::ProminentButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(title);
    setFont(neon::systemFont(13, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

ProminentButton* ProminentButton::small(const QString& title, QWidget* parent)
{
    auto* button = new ProminentButton(title, parent);
    button->setTitleFont(neon::systemFont(12, QFont::DemiBold));
    button->setPadding({12, 5, 12, 5});
    return button;
}

void ProminentButton::setTint(std::optional<QColor> colour)
{
    if (m_tint == colour)
        return;
    m_tint = colour;
    update();
}

QColor ProminentButton::fillColour() const
{
    return m_tint.value_or(accentTint());
}

void ProminentButton::setTitleFont(const QFont& font)
{
    setFont(font);
    updateGeometry();
}

void ProminentButton::setPadding(const QMargins& padding)
{
    m_padding = padding;
    updateGeometry();
}

void ProminentButton::setTitle(const QString& title)
{
    if (title == text())
        return;
    setText(title);
    updateGeometry();
}

QSize ProminentButton::sizeHint() const
{
    const QFontMetricsF m(font());
    return QSize(int(std::ceil(m.horizontalAdvance(text()))), int(std::ceil(m.height()))).grownBy(m_padding);
}

void ProminentButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

void ProminentButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = fillColour();
    if (isDown())
        fill = fill.darker(118);
    if (!isEnabled())
        p.setOpacity(0.4);
    neon::fillRoundedPath(p, r, std::min(kRadius, r.height() / 2), fill);
    if (hasFocus())
        neon::strokeRoundedPathInside(p, r, std::min(kRadius, r.height() / 2), 2, neon::faded(Qt::white, 0.5));
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, neon::elided(text(), font(), r.width() - 4));
}

} // namespace tw
