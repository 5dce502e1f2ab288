#include "menubar/Divider.h"

#include "app/state/Colour.h"
#include "app/state/Theme.h"

#include <QPainter>

namespace tw {

Divider::Divider(int leadingInset, QWidget* parent)
    : QWidget(parent)
    , m_inset(leadingInset)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QColor Divider::colour()
{
    return isDark(AppTheme::appearance()) ? faded(Qt::white, 0.12) : faded(Qt::black, 0.1);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(QRect(m_inset, 0, width() - m_inset, 1), colour());
}

} // namespace tw
