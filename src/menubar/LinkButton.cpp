#include "menubar/LinkButton.h"

#include "views/kit/Tints.h"
#include "views/kit/NeonPaint.h"
#include "views/kit/TypeScale.h"

#include <QFontMetrics>
#include <QPainter>

namespace tw {

LinkButton::LinkButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(title);
    setFont(TypeScale::font(TextRole::body));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize LinkButton::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 2, fm.height()};
}

void LinkButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(isDown() ? faded(accentTint(), 0.6) : accentTint());
    p.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace tw
