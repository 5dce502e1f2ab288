#pragma once

#include <QRect>
#include <QSize>

#include <optional>

namespace tw::placement {

// Where the quick preview opens: centred under the status item, or above it
// when there is no room below, then moved inside the screen's available area.
QRect popover(QSize size, const QRect& item, const QRect& available);

// Where the side panel opens beside the status item: its right edge 12
// points left of anchor's left edge, its top 6 points below the item's
// bottom edge. With a screen, a panel past the available area's left edge
// moves to 8 points inside it, and one past its bottom edge moves up to end
// 8 points above it; nothing is moved at the right or top edge.
QPoint sidePanel(QSize size, int anchorLeft, const QRect& item, const std::optional<QRect>& available);

} // namespace tw::placement
