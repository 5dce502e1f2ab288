#include "views/kit/NeonSwitch.h"

#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"

#include <QPainter>

namespace tw {

using neon::faded;
using neon::rgb;

NeonSwitch::NeonSwitch(QWidget* parent)
    : NeonSwitch(Size::regular, parent)
{
}

NeonSwitch::NeonSwitch(Size size, QWidget* parent)
    : BoundToggle(parent)
    , m_size(size)
{
    keyfocus::makeStop(this, focusring::kCapsule);
    setFixedSize(sizeHint());
    onThemeChange(this, [this] { update(); });
}

NeonSwitch::NeonSwitch(Binding<bool> isOn, Size size, QWidget* parent)
    : NeonSwitch(size, parent)
{
    bind(std::move(isOn));
}

QSize NeonSwitch::sizeHint() const
{
    return m_size == Size::small ? QSize(32, 18) : QSize(38, 22);
}

void NeonSwitch::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A switch that takes no click now is drawn faint.
    if (!isEnabled())
        p.setOpacity(0.45);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill;
    if (isChecked())
        fill = AppTheme::accent(a);
    else
        fill = isDark(a) ? faded(Qt::white, 0.16) : rgb(0.86, 0.86, 0.88);
    p.fillPath(neon::capsule(track), fill);
    p.setPen(QPen(isChecked() ? faded(Qt::white, 0.25) : faded(isDark(a) ? Qt::white : Qt::black, 0.1), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(neon::capsule(track.adjusted(0.5, 0.5, -0.5, -0.5)));
    if (isChecked()) {
        // A faint neon halo around an active switch.
        p.setPen(QPen(faded(AppTheme::neonGlow(a), 0.35), 2));
        p.drawPath(neon::capsule(track.adjusted(-0.5, -0.5, 0.5, 0.5)));
    }
    const qreal d = track.height() - 4;
    // On is the trailing side: the right, or the left when mirrored.
    const qreal x = isChecked() ? track.right() - 2 - d : track.left() + 2;
    const QRectF knob = Mirror(*this)(QRectF(x, track.top() + 2, d, d));
    p.setPen(Qt::NoPen);
    p.setBrush(faded(Qt::black, 0.18));
    p.drawEllipse(knob.translated(0, 0.8));
    p.setBrush(isDown() ? rgb(0.92, 0.92, 0.93) : QColor(Qt::white));
    p.drawEllipse(knob);
}

} // namespace tw
