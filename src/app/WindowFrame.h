#pragma once

// Where the frameless main window is resized from and what the pointer shows
// there: geometry only (what a resize makes of the frame is WindowDrag's).

#include <QRect>

namespace tw::windowframe {

// How far in from the window's edge a press resizes it, in points.
constexpr int resizeBorder = 6;

// The edges that a press at point (in the window) resizes, for a window of
// that size: the edge within border of it; both edges of a corner within
// three borders of both (the rounded corner cuts the corner's own pixels
// away); none farther in or outside the window.
Qt::Edges resizeEdges(QPoint point, QSize size, int border);

// The pointer over those edges: a two-headed arrow along the way they move.
Qt::CursorShape cursorFor(Qt::Edges edges);

} // namespace tw::windowframe
