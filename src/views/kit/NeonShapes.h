#pragma once

#include "state/AppAppearance.h"
#include "state/Colour.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>

class QPainter;

namespace tw {

// Shapes, fills and colours shared by the main window's components.
namespace neon {

using tw::faded;
using tw::rgb;

// A rounded rectangle; the radius is clamped to half the shorter side, so a
// large radius gives a capsule.
QPainterPath roundedRect(const QRectF& rect, qreal radius);
QPainterPath capsule(const QRectF& rect);
// The path a stroke of width w follows to stay inside rect.
QPainterPath insideStrokePath(const QRectF& rect, qreal radius, qreal w);
// The radius clamped to half the shorter side of rect (and at least 0).
qreal clampedRadius(const QRectF& rect, qreal radius);

// Fills and copies issued in bands of a few rows. Qt's raster engine hands
// every fill or copy that spans many rows to the global thread pool in
// pieces and waits for them; on a window that repaints 30 times a second
// (and while the engines' scans occupy that pool) those hand-offs cost far
// more than the pixels. Bands this short are drawn on the calling thread.
constexpr int kBandRows = 24;
void fillRect(QPainter& p, const QRectF& rect, const QBrush& brush);
// Draws image with its top-left at point (image pixel ratio respected).
void drawImage(QPainter& p, const QPointF& at, const QImage& image);

// Fast equivalents of filling a rounded rectangle and of stroking one inside
// its edge: rectangles for the straight parts and small paths for the
// corners only (large antialiased paths are slow to rasterise).
void fillRoundedRect(QPainter& p, const QRectF& rect, qreal radius, const QBrush& brush);
void strokeRoundedRectInside(QPainter& p, const QRectF& rect, qreal radius, qreal width, const QBrush& brush);
// The same two drawn as whole paths: exact at fractional positions, for
// small shapes (buttons, boxes, segments).
void fillRoundedPath(QPainter& p, const QRectF& rect, qreal radius, const QBrush& brush);
void strokeRoundedPathInside(QPainter& p, const QRectF& rect, qreal radius, qreal width, const QBrush& brush);
// Fills what lies outside the rounded rectangle but inside rect (its four corners).
void fillOutsideCorners(QPainter& p, const QRectF& rect, qreal radius, const QBrush& brush);

// The recurring edge colour of the neon components.
QColor edgeColour(AppAppearance a);

} // namespace neon

} // namespace tw
