#include "views/kit/PushButton.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QEvent>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr qreal kRadius = 8;

QColor systemGray()
{
    return neon::rgb(0.56, 0.56, 0.58);
}

} // namespace

PushButton::PushButton(const QString& title, Style style, QWidget* parent)
    : QAbstractButton(parent)
    , m_style(style)
    , m_font(typescale::font(TextRole::body))
{
    setText(title);
    keyfocus::makeStop(this, kRadius);
    setCursor(Qt::PointingHandCursor);
    onThemeChange(this, [this] { update(); });
}

PushButton* PushButton::small(const QString& title, QWidget* parent)
{
    auto* button = new PushButton(title, Style::bordered, parent);
    button->setTitleFont(TextRole::caption);
    button->setFixedHeight(22);
    return button;
}

void PushButton::setDestructive(bool destructive)
{
    if (destructive == m_destructive)
        return;
    m_destructive = destructive;
    update();
}

void PushButton::setButtonStyle(Style style)
{
    if (style == m_style)
        return;
    m_style = style;
    update();
}

void PushButton::setTitleFont(TextRole role)
{
    m_font = typescale::font(role);
    updateGeometry();
    update();
}

void PushButton::setPadding(const QMargins& padding)
{
    m_padding = padding;
    updateGeometry();
}

void PushButton::setTint(std::optional<QColor> colour)
{
    if (colour == m_tint)
        return;
    m_tint = colour;
    update();
}

QColor PushButton::fillColour() const
{
    if (m_style == Style::prominent)
        return isEnabled() ? m_tint.value_or(accentTint()) : neon::faded(systemGray(), 0.35);
    return neon::faded(secondaryTint(), 0.12);
}

QSize PushButton::sizeHint() const
{
    const QFontMetricsF m(m_font);
    return QSize(int(std::ceil(m.horizontalAdvance(text()))), int(std::ceil(m.height()))).grownBy(m_padding);
}

void PushButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

void PushButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void PushButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = fillColour();
    if (isDown())
        fill = fill.darker(115);
    neon::fillRoundedPath(p, r, kRadius, fill);
    QColor title = Qt::white;
    if (m_style == Style::bordered) {
        neon::strokeRoundedPathInside(p, r, kRadius, 1, neon::faded(secondaryTint(), 0.45));
        title = m_destructive ? neon::rgb(0.95, 0.27, 0.23) : primaryTextTint();
    }
    // A disabled title stays readable on the pale gray of the light theme.
    if (!isEnabled())
        title = isDark(AppTheme::appearance()) ? neon::faded(title, 0.6) : neon::faded(primaryTextTint(), 0.45);
    p.setFont(m_font);
    p.setPen(title);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, neon::elided(text(), m_font, r.width() - 8));
}

} // namespace tw
