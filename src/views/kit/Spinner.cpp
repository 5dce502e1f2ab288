#include "views/kit/Spinner.h"

#include "views/kit/NeonShapes.h"
#include "views/kit/Tints.h"

#include <QPainter>

#include <cmath>

namespace tw {

using neon::faded;

Spinner::Spinner(QWidget* parent, int side)
    : QWidget(parent)
    , m_side(side)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(side, side);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % spokes;
        update();
    });
}

void Spinner::setColour(std::optional<QColor> colour)
{
    m_colour = colour;
    update();
}

void Spinner::showEvent(QShowEvent*)
{
    m_timer.start();
}

void Spinner::hideEvent(QHideEvent*)
{
    m_timer.stop();
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = m_colour.value_or(secondaryTint());
    const qreal r = m_side / 2.0;
    const qreal width = std::max<qreal>(1.5, m_side / 9.0);
    p.translate(r, r);
    for (int i = 0; i < spokes; ++i) {
        // The spoke at the phase is brightest; those behind it fade out.
        const int behind = (m_phase - i + spokes) % spokes;
        p.setPen(QPen(faded(colour, 1.0 - 0.8 * behind / (spokes - 1)), width, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = i * 2 * M_PI / spokes - M_PI / 2;
        const QPointF dir(std::cos(angle), std::sin(angle));
        p.drawLine(dir * (r * 0.45), dir * (r - width / 2));
    }
}

} // namespace tw
