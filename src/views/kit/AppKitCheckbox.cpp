#include "views/kit/AppKitCheckbox.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tw {

using neon::faded;

namespace {

constexpr qreal kFrame = 18;
constexpr qreal kBox = 14;
constexpr qreal kTextGap = 6;

} // namespace

AppKitCheckbox::AppKitCheckbox(QWidget* parent)
    : BoundToggle(parent)
{
    keyfocus::makeStop(this, 5);
    onThemeChange(this, [this] { update(); });
}

AppKitCheckbox::AppKitCheckbox(Binding<bool> isOn, QWidget* parent)
    : AppKitCheckbox(parent)
{
    bind(std::move(isOn));
}

void AppKitCheckbox::setBoxScale(qreal scale)
{
    m_scale = scale;
    update();
}

QSize AppKitCheckbox::sizeHint() const
{
    if (text().isEmpty())
        return {int(kFrame), int(kFrame)};
    const qreal w = QFontMetricsF(typescale::font(TextRole::body)).horizontalAdvance(text());
    return {int(std::ceil(kFrame + kTextGap + w)), int(kFrame)};
}

QRectF AppKitCheckbox::boxRect() const
{
    const qreal side = kBox * m_scale;
    const qreal cy = height() / 2.0;
    return Mirror(*this)(QRectF(kFrame / 2 - side / 2, cy - side / 2, side, side));
}

bool AppKitCheckbox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void AppKitCheckbox::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = boxRect();
    const qreal radius = 3.5 * m_scale;
    const bool dark = isDark(a);
    if (isChecked()) {
        QColor fill = accentTint(a);
        if (isDown())
            fill = fill.darker(115);
        neon::fillRoundedPath(p, box, radius, fill);
        // The tick: two strokes in white.
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.24, box.top() + box.height() * 0.53);
        tick.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.72);
        tick.lineTo(box.left() + box.width() * 0.77, box.top() + box.height() * 0.30);
        p.setPen(QPen(Qt::white, 1.8 * m_scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
    } else {
        QColor fill = dark ? faded(Qt::white, 0.08) : QColor(Qt::white);
        if (isDown())
            fill = dark ? faded(Qt::white, 0.18) : neon::rgb(0.9, 0.9, 0.92);
        neon::fillRoundedPath(p, box, radius, fill);
        neon::strokeRoundedPathInside(p, box, radius, 1, dark ? faded(Qt::white, 0.38) : faded(Qt::black, 0.28));
    }
    if (!isEnabled())
        p.fillRect(box, faded(AppTheme::panelBase(a), 0.5));
    if (!text().isEmpty()) {
        p.setFont(typescale::font(TextRole::body));
        p.setPen(primaryTextTint(a));
        const Mirror m(*this);
        p.drawText(m(QRectF(kFrame + kTextGap, 0, width() - kFrame - kTextGap, height())),
                   m.align(Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine, text());
    }
}

} // namespace tw
