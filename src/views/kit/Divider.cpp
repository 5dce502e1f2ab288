#include "views/kit/Divider.h"

#include "views/kit/NeonShapes.h"
#include "views/kit/Tints.h"

#include <QPainter>

namespace tw {

Divider::Divider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    onThemeChange(this, [this] { update(); });
}

QColor Divider::colour()
{
    return neon::faded(primaryTextTint(), isDark(AppTheme::appearance()) ? 0.14 : 0.16);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour());
}

} // namespace tw
