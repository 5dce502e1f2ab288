#include "views/applications/Divider.h"

#include "views/kit/NeonPaint.h"
#include "views/kit/Tints.h"

#include <QPainter>

namespace tw {

Divider::Divider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

QColor Divider::colour()
{
    return neon::faded(secondaryTint(), 0.35);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour());
}

} // namespace tw
