#include "menubar/LinkButton.h"

#include "state/Colour.h"
#include "views/kit/NeonText.h"
#include "views/kit/Tints.h"

#include <QFontMetrics>
#include <QPainter>

namespace tw {

LinkButton::LinkButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(title);
    setFont(neon::systemFont(13, QFont::Normal));
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
