#include "views/kit/SeparatorLine.h"

#include "views/kit/NeonPaint.h"
#include "views/kit/Tints.h"

#include <QPainter>

namespace tw {

SeparatorLine::SeparatorLine(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    onThemeChange(this, [this] { update(); });
}

QColor SeparatorLine::colour()
{
    return neon::faded(secondaryTint(), 0.35);
}

void SeparatorLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour());
}

} // namespace tw
