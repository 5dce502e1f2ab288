#pragma once

#include "state/Colour.h"
#include "state/AppAppearance.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QPainterPath>
#include <QPointF>

#include <functional>

class QPainter;

namespace tw {

// Small painting vocabulary shared by the main window's components.
namespace neon {

using tw::faded;
using tw::rgb;

// The interface font at a size in points (1 pt = 1 device-independent pixel).
// rounded asks for the rounded design where the system has one.
QFont systemFont(qreal points, QFont::Weight weight, bool rounded = false);
// Starts resolving the interface's fonts on the engine pool (at start-up,
// before the first widget asks for one).
void prepareFonts();

// A rounded rectangle; the radius is clamped to half the shorter side, so a
// large radius gives a capsule.
QPainterPath roundedRect(const QRectF& rect, qreal radius);
QPainterPath capsule(const QRectF& rect);
// The path a stroke of width w follows to stay inside rect.
QPainterPath insideStrokePath(const QRectF& rect, qreal radius, qreal w);

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

// A transparent premultiplied image of size (device-independent) at dpr,
// its pixel size rounded up.
QImage transparentImage(const QSizeF& size, qreal dpr);
// Renders into a cached transparent image of size (device-independent) at
// dpr; draw runs only when the key is not cached. Keys must name every input
// that changes the picture. GUI thread only.
QImage cachedImage(const QString& key, QSize size, qreal dpr, const std::function<void(QPainter&)>& draw);
// Forgets every cached picture (a cold start, for measuring).
void clearImageCache();

// A Gaussian-like blur of an image's alpha (three box passes, sigma =
// radius / 2), tinted with colour. The result is larger than the source by
// blurMargin(radius) on every side and keeps the source's pixel ratio.
QImage blurredTint(const QImage& source, qreal radius, const QColor& colour);
int blurMargin(qreal radius);
// Blurs an 8-bit coverage plane in place (width x height, row stride = width).
void boxBlurAlpha(uchar* data, int width, int height, qreal sigma);

// One shadow layer: a colour, a blur radius and an offset.
struct Shadow {
    QColor colour;
    qreal radius = 0;
    QPointF offset;
};

// Paints the shadows of a body image whose top-left lies at origin. The
// blurred images are cached under key + the layer's parameters.
void paintShadows(QPainter& p, const QString& key, const QImage& body, QPointF origin,
                  const QList<Shadow>& shadows);
// The shadows of a uniformly filled rounded rectangle of any size, drawn
// from a cached nine-slice per radius and shadow (the blur is done once on a
// small square). opacity scales the layers for a translucent body.
void paintRoundedRectShadows(QPainter& p, const QRectF& rect, qreal radius, const QList<Shadow>& shadows,
                             qreal opacity = 1.0);
// How far the shadows reach beyond the body.
QMargins shadowExtent(const QList<Shadow>& shadows);
// How far they reach beyond the room a widget keeps around its shape.
QMargins shadowExtentBeyond(const QList<Shadow>& shadows, int room);

// Text drawn with a soft glow behind it (the glow layers are cached).
void paintGlowingText(QPainter& p, const QRectF& rect, int flags, const QString& text, const QFont& font,
                      const QColor& colour, const QList<Shadow>& glows);

// The text elided with "…" to fit width.
QString elided(const QString& text, const QFont& font, qreal width);
// The height of one line of text in font, in whole points.
int lineHeight(const QFont& font);

} // namespace neon

} // namespace tw
