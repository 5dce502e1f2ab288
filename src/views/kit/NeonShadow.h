#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QMargins>
#include <QPointF>

#include <functional>

class QPainter;

namespace tw {

// Cached pictures, blur and shadows of the main window's components.
namespace neon {

// A transparent premultiplied image of size (device-independent) at dpr,
// its pixel size rounded up.
QImage transparentImage(const QSizeF& size, qreal dpr);
// Renders into a cached transparent image of size (device-independent) at
// dpr; draw runs only when the key is not cached. Keys must name every input
// that changes the picture. Any thread: a key another thread is drawing is
// waited for.
QImage cachedImage(const QString& key, QSize size, qreal dpr, const std::function<void(QPainter&)>& draw);
// Forgets every cached picture (a cold start, for measuring).
void clearImageCache();
// Runs draw on the engine pool: it makes, ahead of a paint, cached pictures
// the paint will ask for (a paint that asks while one is drawn waits for it).
void prepare(std::function<void()> draw);

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
// Makes the cached picture paintRoundedRectShadows draws for a rectangle of
// size at dpr (any thread).
void prepareRoundedRectShadows(const QSizeF& size, qreal radius, const QList<Shadow>& shadows, qreal opacity,
                               qreal dpr);
// How far the shadows reach beyond the body.
QMargins shadowExtent(const QList<Shadow>& shadows);
// How far they reach beyond the room a widget keeps around its shape.
QMargins shadowExtentBeyond(const QList<Shadow>& shadows, int room);

} // namespace neon

} // namespace tw
