#include "menubar/Placement.h"

#include <algorithm>

namespace tw::placement {

QRect popover(QSize size, const QRect& item, const QRect& available)
{
    QRect frame(QPoint(item.left() + item.width() / 2 - size.width() / 2, item.bottom() + 1), size);
    // A tray at the bottom of the screen opens it upwards.
    if (frame.bottom() > available.bottom() && item.top() - size.height() >= available.top())
        frame.moveBottom(item.top() - 1);
    frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() + 1 - size.width())));
    frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - size.height())));
    return frame;
}

QPoint sidePanel(QSize size, int anchorLeft, const QRect& item, const std::optional<QRect>& available)
{
    QPoint origin(anchorLeft - size.width() - 12, item.bottom() + 1 + 6);
    if (!available)
        return origin;
    if (origin.x() < available->left())
        origin.setX(available->left() + 8);
    if (origin.y() + size.height() > available->bottom() + 1)
        origin.setY(available->bottom() + 1 - 8 - size.height());
    return origin;
}

} // namespace tw::placement
