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

QRect sidePanel(QSize size, const QRect& item, const std::optional<QRect>& preview,
                const std::optional<QRect>& available)
{
    constexpr int gap = 12;
    constexpr int inset = 8;
    const QRect beside = preview ? preview->united(item) : item;
    // The preview opens under the item unless it lies above it.
    const bool under = preview ? preview->center().y() >= item.center().y()
                               : !available || item.center().y() <= available->center().y();
    QRect frame(QPoint(beside.left() - gap - size.width(), 0), size);
    if (under)
        frame.moveTop(item.bottom() + 1 + 6);
    else
        frame.moveBottom(item.top() - 1 - 6);
    if (!available)
        return frame;

    const QRect& area = *available;
    if (frame.left() < area.left()) {
        // No room on the left: right of the preview, else over the side of
        // it that leaves more in view. Without a preview, by the left edge.
        if (preview && beside.right() + 1 + gap + size.width() <= area.right() + 1)
            frame.moveLeft(beside.right() + 1 + gap);
        else if (preview && area.right() - beside.right() > beside.left() - area.left())
            frame.moveRight(area.right() - inset);
        else
            frame.moveLeft(area.left() + inset);
    }
    // Wider or taller than the area: its top left corner stays in view.
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - size.width())));
    frame.moveTop(std::max(std::min(frame.top(), area.bottom() + 1 - inset - size.height()), area.top() + inset));
    if (frame.top() < area.top() || frame.bottom() > area.bottom())
        frame.moveTop(area.top());
    return frame;
}

} // namespace tw::placement
