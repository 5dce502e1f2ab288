#pragma once

#include <QRect>
#include <QSize>

#include <optional>

namespace tw::placement {

// Where the quick preview opens: centred under the status item, or above it
// when there is no room below, then moved inside the screen's available area.
QRect popover(QSize size, const QRect& item, const QRect& available);

// Where the side panel opens, as a frame of size: beside the preview (its
// visible frame, without the popover's margin) and the status item, 12
// points clear of both, never over either. Left of them when the room is
// there, else right of them. Its top 6 points below the item's bottom edge
// when the preview opens under the item, its bottom 6 points above the
// item's top edge when it opens above (a tray at the bottom). Then moved
// up or down to stay 8 points inside the available area. Where neither
// side has room, it stands 8 points inside the area's left or right edge,
// whichever leaves more of the preview in view; with no preview, beside
// the item alone, and 8 points inside the left edge where that has no room.
// With no screen, left of them, unmoved.
QRect sidePanel(QSize size, const QRect& item, const std::optional<QRect>& preview,
                const std::optional<QRect>& available);

} // namespace tw::placement
