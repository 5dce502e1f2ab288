#include "views/kit/PushButton.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Spinner.h"
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
constexpr int kSpinnerGap = 6;

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
    Mirror::resizeOnDirectionChange(this);
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

void PushButton::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy && !m_spinner) {
        m_spinner = new Spinner(this, std::max(10, int(QFontMetricsF(m_font).height())));
        placeSpinner();
    }
    if (m_spinner) {
        m_spinner->setColour(m_style == Style::prominent ? std::optional<QColor>(Qt::white) : std::nullopt);
        m_spinner->setVisible(busy);
    }
    if (busy)
        setDown(false);
    update();
}

bool PushButton::hitButton(const QPoint& pos) const
{
    return !m_busy && QAbstractButton::hitButton(pos);
}

void PushButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    placeSpinner();
}

void PushButton::placeSpinner()
{
    if (!m_spinner)
        return;
    // Before the title, the two centred together.
    const QFontMetricsF m(m_font);
    const int side = m_spinner->width();
    const qreal title = std::min<qreal>(m.horizontalAdvance(text()), width() - 8 - side - kSpinnerGap);
    const int left = int(std::round((width() - title - side - kSpinnerGap) / 2));
    Mirror(*this).place(m_spinner, QRect(std::max(4, left), (height() - side) / 2, side, side));
}

QColor PushButton::fillColour() const
{
    if (m_style == Style::prominent)
        return isEnabled() || m_busy ? m_tint.value_or(accentTint()) : neon::faded(systemGray(), 0.35);
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
    if (!isEnabled() && !m_busy)
        title = isDark(AppTheme::appearance()) ? neon::faded(title, 0.6) : neon::faded(primaryTextTint(), 0.45);
    p.setFont(m_font);
    p.setPen(title);
    // Busy, the title follows the spinner.
    const Mirror m(*this);
    QRectF titleRect = r;
    if (m_busy && m_spinner)
        titleRect.setLeft(m(m_spinner->geometry()).right() + 1 + kSpinnerGap);
    const Qt::Alignment align = m_busy ? m.align(Qt::AlignLeft) | Qt::AlignVCenter : Qt::AlignCenter;
    p.drawText(m(titleRect), int(align) | Qt::TextSingleLine,
               neon::elided(text(), m_font, titleRect.width() - (m_busy ? 4 : 8)));
}

} // namespace tw
