#pragma once

// Where the frameless main window is resized from and what a resize by hand
// makes of its frame: geometry only.

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

// The frame after the pointer moved by delta from its press, for a frame
// that was start: the pressed edges follow the pointer, the others stay,
// and it never gets smaller than minimum (the edge moved stops instead).
QRect resized(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);

} // namespace tw::windowframe
