#include "views/kit/NeonShadow.h"

#include "views/kit/NeonShapes.h"

#include "platform/ThreadPool.h"

#include <QCache>
#include <QPainter>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tw {

namespace neon {

// ---- Image cache ----------------------------------------------------------------

namespace {

// Shared by the GUI thread and the pool threads that prepare pictures ahead
// of a paint. A key being drawn is marked, so whoever needs it meanwhile
// waits for that drawing rather than doing it again. Never destroyed: a pool
// thread may still be drawing at exit.
struct ImageCache {
    std::mutex mutex;
    std::condition_variable drawn;
    // Cost in KiB; the glows of a full window take a few MiB per theme.
    QCache<QString, QImage> images{96 * 1024};
    QSet<QString> drawing;
};

ImageCache& imageCache()
{
    static ImageCache* cache = new ImageCache;
    return *cache;
}

QString sizedKey(const QString& key, QSize size, qreal dpr)
{
    return key + u'@' + QString::number(size.width()) + u'x' + QString::number(size.height()) + u'@'
        + QString::number(dpr);
}

// The cached image under key; make runs only when it is neither cached nor
// being made by another thread.
QImage cached(const QString& key, const std::function<QImage()>& make)
{
    ImageCache& c = imageCache();
    {
        std::unique_lock lock(c.mutex);
        for (;;) {
            if (const QImage* hit = c.images.object(key))
                return *hit;
            if (!c.drawing.contains(key))
                break;
            c.drawn.wait(lock);
        }
        c.drawing.insert(key);
    }
    const QImage image = make();
    {
        std::lock_guard lock(c.mutex);
        const int cost = std::max<int>(1, int(image.sizeInBytes() / 1024));
        c.images.insert(key, new QImage(image), cost);
        c.drawing.remove(key);
    }
    c.drawn.notify_all();
    return image;
}

// The blurred tint of a body, cached under key; the body is made only when
// the key is not cached.
QImage cachedBlur(const QString& key, const std::function<QImage()>& body, qreal radius, const QColor& colour)
{
    return cached(key, [&] { return blurredTint(body(), radius, colour); });
}

QString colourKey(const QColor& c)
{
    return QString::number(c.rgba64(), 16);
}

int deviceMargin(qreal radius, qreal dpr)
{
    return int(std::ceil(blurMargin(radius) * dpr));
}

} // namespace

void clearImageCache()
{
    ImageCache& c = imageCache();
    std::lock_guard lock(c.mutex);
    c.images.clear();
}

void prepare(std::function<void()> draw)
{
    startOnPool(std::move(draw));
}

QImage transparentImage(const QSizeF& size, qreal dpr)
{
    QImage image(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

QImage cachedImage(const QString& key, QSize size, qreal dpr, const std::function<void(QPainter&)>& draw)
{
    if (size.isEmpty())
        return {};
    return cached(sizedKey(key, size, dpr), [&] {
        QImage image = transparentImage(size, dpr);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p);
        p.end();
        return image;
    });
}

// ---- Blur -------------------------------------------------------------------------

int blurMargin(qreal radius)
{
    // Three sigmas, sigma = radius / 2.
    return radius <= 0 ? 0 : int(std::ceil(1.5 * radius)) + 1;
}

namespace {

// One running-sum box pass over count lines of length samples (8.8 fixed point).
void boxPass(const quint16* src, quint16* dst, int length, int count, int stride, int step, int r)
{
    const quint32 window = quint32(2 * r + 1);
    for (int line = 0; line < count; ++line) {
        const quint16* s = src + line * stride;
        quint16* d = dst + line * stride;
        quint32 sum = 0;
        for (int i = 0; i <= r && i < length; ++i)
            sum += s[i * step];
        for (int i = 0; i < length; ++i) {
            d[i * step] = quint16((sum + window / 2) / window);
            const int out = i - r;
            const int in = i + r + 1;
            if (out >= 0)
                sum -= s[out * step];
            if (in < length)
                sum += s[in * step];
        }
    }
}

} // namespace

void boxBlurAlpha(uchar* data, int width, int height, qreal sigma)
{
    if (sigma <= 0.2 || width <= 0 || height <= 0)
        return;
    // Three boxes whose combined variance matches sigma.
    const int n = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1);
    int wl = int(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    const int wu = wl + 2;
    const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4);
    const int m = int(std::lround(mIdeal));
    // Worked in 8.8 fixed point so faint tails are not rounded away.
    const size_t count = size_t(width) * size_t(height);
    std::vector<quint16> plane(count);
    std::vector<quint16> tmp(count);
    for (size_t i = 0; i < count; ++i)
        plane[i] = quint16(data[i] << 8);
    for (int i = 0; i < n; ++i) {
        const int r = ((i < m ? wl : wu) - 1) / 2;
        if (r <= 0)
            continue;
        boxPass(plane.data(), tmp.data(), width, height, width, 1, r);   // rows
        boxPass(tmp.data(), plane.data(), height, width, 1, width, r);   // columns
    }
    for (size_t i = 0; i < count; ++i)
        data[i] = uchar((plane[i] + 128) >> 8);
}

QImage blurredTint(const QImage& source, qreal radius, const QColor& colour)
{
    const qreal dpr = source.devicePixelRatio();
    const int md = deviceMargin(radius, dpr);
    const int w = source.width() + 2 * md;
    const int h = source.height() + 2 * md;
    // Wide blurs are worked at a lower resolution and scaled back up: the
    // result is smooth either way, and the work shrinks with the square.
    const qreal sigma = radius / 2 * dpr;
    const int f = sigma >= 8 ? 4 : sigma >= 3 ? 2 : 1;
    const int sw = (w + f - 1) / f;
    const int sh = (h + f - 1) / f;
    std::vector<quint32> sums(size_t(sw) * size_t(sh), 0);
    const QImage src = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        quint32* row = sums.data() + size_t((y + md) / f) * size_t(sw);
        for (int x = 0; x < src.width(); ++x)
            row[(x + md) / f] += quint32(qAlpha(line[x]));
    }
    std::vector<uchar> alpha(sums.size());
    const quint32 area = quint32(f * f);
    for (size_t i = 0; i < sums.size(); ++i)
        alpha[i] = uchar((sums[i] + area / 2) / area);
    boxBlurAlpha(alpha.data(), sw, sh, sigma / f);

    QImage small(sw, sh, QImage::Format_ARGB32_Premultiplied);
    const QRgb premul = qPremultiply(colour.rgba());
    const uint cr = qRed(premul), cg = qGreen(premul), cb = qBlue(premul), ca = qAlpha(premul);
    for (int y = 0; y < sh; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(small.scanLine(y));
        const uchar* a = alpha.data() + size_t(y) * size_t(sw);
        for (int x = 0; x < sw; ++x) {
            const uint k = a[x];
            line[x] = qRgba(int(cr * k / 255), int(cg * k / 255), int(cb * k / 255), int(ca * k / 255));
        }
    }
    if (f == 1) {
        small.setDevicePixelRatio(dpr);
        return small;
    }
    // Bilinear upscaling by f, on this thread: sample positions and weights
    // per column and per row are worked out once.
    QImage result(w, h, QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(dpr);
    auto sample = [f](int i, int limit, int& a, int& b, uint& t) {
        const int pos = ((2 * i + 1) * 128) / f - 128;  // (i + 0.5) / f - 0.5, in 1/256
        a = std::clamp(pos >> 8, 0, limit - 1);
        b = std::min(a + 1, limit - 1);
        t = pos < 0 ? 0u : uint(pos & 255);
    };
    std::vector<int> xa(static_cast<size_t>(w)), xb(static_cast<size_t>(w));
    std::vector<uint> xt(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        sample(x, sw, xa[size_t(x)], xb[size_t(x)], xt[size_t(x)]);
    auto lerp = [](QRgb a, QRgb b, uint t) {
        const uint rb = ((a & 0x00ff00ffu) * (256 - t) + (b & 0x00ff00ffu) * t) >> 8;
        const uint ag = ((a >> 8) & 0x00ff00ffu) * (256 - t) + ((b >> 8) & 0x00ff00ffu) * t;
        return (rb & 0x00ff00ffu) | (ag & 0xff00ff00u);
    };
    std::vector<QRgb> row(static_cast<size_t>(sw));
    for (int y = 0; y < h; ++y) {
        int y0, y1;
        uint ty;
        sample(y, sh, y0, y1, ty);
        const QRgb* r0 = reinterpret_cast<const QRgb*>(small.constScanLine(y0));
        const QRgb* r1 = reinterpret_cast<const QRgb*>(small.constScanLine(y1));
        for (int x = 0; x < sw; ++x)
            row[size_t(x)] = lerp(r0[x], r1[x], ty);
        QRgb* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = lerp(row[size_t(xa[size_t(x)])], row[size_t(xb[size_t(x)])], xt[size_t(x)]);
    }
    return result;
}

void paintShadows(QPainter& p, const QString& key, const QImage& body, QPointF origin,
                  const QList<Shadow>& shadows)
{
    if (body.isNull())
        return;
    const qreal dpr = body.devicePixelRatio();
    for (const Shadow& s : shadows) {
        if (s.colour.alpha() == 0)
            continue;
        const QString k = key + QStringLiteral("|shadow|") + QString::number(s.radius) + u'|' + colourKey(s.colour)
            + u'|' + QString::number(body.width()) + u'x' + QString::number(body.height()) + u'@'
            + QString::number(dpr);
        const QImage image = cachedBlur(k, [&] { return body; }, s.radius, s.colour);
        const qreal m = deviceMargin(s.radius, dpr) / dpr;
        drawImage(p, origin + s.offset - QPointF(m, m), image);
    }
}

namespace {

// One shadow layer of a rounded rectangle, drawn from a nine-slice of a small
// blurred square into p (already placed so that rect is in its coordinates).
// Along a side too short to slice, the shape keeps its own length: a wide
// flat bar blurs a piece only as wide as its two ends, stretched in the
// middle, where every column of its shadow is the same.
void paintSlicedLayer(QPainter& p, const QRectF& rect, qreal r, const Shadow& s, qreal dpr)
{
    const int m = blurMargin(s.radius);
    const QRectF target = rect.translated(s.offset).adjusted(-m, -m, m, m);
    int c = m + int(std::ceil(r)) + m;
    int pad = 0;
    if (target.width() < 2 * c + 1 || target.height() < 2 * c + 1) {
        // Sliced along one side only, the cut keeps clear of the few pixels
        // the blur's scaled-down working copy lets the ends reach further.
        pad = 4;
        c += pad;
    }
    const bool sliceX = target.width() >= 2 * c + 1;
    const bool sliceY = target.height() >= 2 * c + 1;
    if (!sliceX && !sliceY) {
        // Too small to slice: blur the shape itself.
        const QString key = QStringLiteral("rrshadow|") + QString::number(r);
        const QImage body = cachedImage(key, rect.size().toSize(), dpr, [&](QPainter& q) {
            q.fillPath(roundedRect(QRectF(QPointF(0, 0), rect.size()), r), Qt::black);
        });
        paintShadows(p, key, body, rect.topLeft(), {s});
        return;
    }
    // A square just large enough for the corners, with a one-point middle.
    // Sliced along one side only, the other side keeps the shape's length,
    // and the sliced side differs from the shape's by whole multiples of the
    // blur's working scale, so both ends fall on the same grid as the shape's.
    const QSizeF shapeSize = rect.size().toSize();
    const int side = 2 * (int(std::ceil(r)) + m + pad) + 1;
    auto sliced = [&](bool slice, qreal length) {
        if (!slice)
            return length;
        if (pad == 0)
            return qreal(side);
        const int extra = ((int(std::lround(length * dpr)) - int(std::lround(side * dpr))) % 4 + 4) % 4;
        return side + extra / dpr;
    };
    const QSizeF bodySize(sliced(sliceX, shapeSize.width()), sliced(sliceY, shapeSize.height()));
    const QString key = QStringLiteral("nineslice|") + QString::number(r) + u'|' + QString::number(s.radius) + u'|'
        + colourKey(s.colour) + u'@' + QString::number(dpr) + u'|' + QString::number(bodySize.width()) + u'x'
        + QString::number(bodySize.height());
    const QImage blurred = cachedBlur(key, [&] {
        QImage body = transparentImage(bodySize, dpr);
        QPainter q(&body);
        q.setRenderHint(QPainter::Antialiasing);
        q.fillPath(roundedRect(QRectF(QPointF(0, 0), bodySize), r), Qt::black);
        q.end();
        return body;
    }, s.radius, s.colour);
    // Source slices in device pixels, targets in points; an unsliced side is one slice.
    const qreal cd = c * dpr;
    const qreal w = blurred.width(), h = blurred.height();
    const std::vector<qreal> xs = sliceX ? std::vector<qreal>{0, cd, w - cd, w} : std::vector<qreal>{0, w};
    const std::vector<qreal> ys = sliceY ? std::vector<qreal>{0, cd, h - cd, h} : std::vector<qreal>{0, h};
    // An unsliced side is drawn at its own size, as the shape's blur would be.
    const std::vector<qreal> tx = sliceX
        ? std::vector<qreal>{target.left(), target.left() + c, target.right() - c, target.right()}
        : std::vector<qreal>{target.left(), target.left() + w / dpr};
    const std::vector<qreal> ty = sliceY
        ? std::vector<qreal>{target.top(), target.top() + c, target.bottom() - c, target.bottom()}
        : std::vector<qreal>{target.top(), target.top() + h / dpr};
    p.save();
    // The stretched middle of a one-sided slice is a run of equal columns:
    // copied plainly it stays exactly the shape's own shadow.
    if (pad > 0)
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (size_t row = 0; row + 1 < ys.size(); ++row)
        for (size_t col = 0; col + 1 < xs.size(); ++col) {
            const QRectF src(xs[col], ys[row], xs[col + 1] - xs[col], ys[row + 1] - ys[row]);
            const QRectF dst(QPointF(tx[col], ty[row]), QPointF(tx[col + 1], ty[row + 1]));
            if (!src.isEmpty() && !dst.isEmpty())
                p.drawImage(dst, blurred, src);
        }
    p.restore();
}

} // namespace

namespace {

// The layers of a rounded rectangle's shadows at an opacity, and the key of
// their picture.
QList<Shadow> fadedLayers(const QList<Shadow>& shadows, qreal opacity, QString& key)
{
    QList<Shadow> layers;
    for (const Shadow& s : shadows) {
        const QColor colour = faded(s.colour, opacity);
        if (colour.alpha() == 0)
            continue;
        layers.append({colour, s.radius, s.offset});
        key += u'|' + QString::number(s.radius) + u',' + QString::number(s.offset.x()) + u','
            + QString::number(s.offset.y()) + u',' + colourKey(colour);
    }
    return layers;
}

QImage roundedRectShadowImage(const QSizeF& size, qreal r, const QList<Shadow>& layers, const QString& key,
                              qreal dpr)
{
    // All layers are put together once per size into one picture, so a
    // repaint is a single plain copy (no scaling on every frame).
    const QMargins extent = shadowExtent(layers);
    return cachedImage(key, size.grownBy(QMarginsF(extent)).toSize(), dpr, [&](QPainter& q) {
        const QRectF local(QPointF(extent.left(), extent.top()), size);
        for (const Shadow& s : layers)
            paintSlicedLayer(q, local, r, s, dpr);
    });
}

QString roundedRectKey(const QSizeF& size, qreal r)
{
    return QStringLiteral("rrshadows|") + QString::number(r) + u'|' + QString::number(size.width()) + u'x'
        + QString::number(size.height());
}

} // namespace

void paintRoundedRectShadows(QPainter& p, const QRectF& rect, qreal radius, const QList<Shadow>& shadows,
                             qreal opacity)
{
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const qreal r = clampedRadius(rect, radius);
    QString key = roundedRectKey(rect.size(), r);
    const QList<Shadow> layers = fadedLayers(shadows, opacity, key);
    if (layers.isEmpty())
        return;
    const QMargins extent = shadowExtent(layers);
    const QImage image = roundedRectShadowImage(rect.size(), r, layers, key, dpr);
    drawImage(p, rect.topLeft() - QPointF(extent.left(), extent.top()), image);
}

void prepareRoundedRectShadows(const QSizeF& size, qreal radius, const QList<Shadow>& shadows, qreal opacity,
                               qreal dpr)
{
    const qreal r = clampedRadius(QRectF(QPointF(0, 0), size), radius);
    QString key = roundedRectKey(size, r);
    const QList<Shadow> layers = fadedLayers(shadows, opacity, key);
    if (!layers.isEmpty())
        roundedRectShadowImage(size, r, layers, key, dpr);
}

QMargins shadowExtent(const QList<Shadow>& shadows)
{
    QMargins extent;
    for (const Shadow& s : shadows) {
        if (s.colour.alpha() == 0)
            continue;
        const int m = blurMargin(s.radius) + 1;
        extent.setLeft(std::max(extent.left(), m - int(std::floor(s.offset.x()))));
        extent.setRight(std::max(extent.right(), m + int(std::ceil(s.offset.x()))));
        extent.setTop(std::max(extent.top(), m - int(std::floor(s.offset.y()))));
        extent.setBottom(std::max(extent.bottom(), m + int(std::ceil(s.offset.y()))));
    }
    return extent;
}

QMargins shadowExtentBeyond(const QList<Shadow>& shadows, int room)
{
    const QMargins m = shadowExtent(shadows);
    return QMargins(std::max(0, m.left() - room), std::max(0, m.top() - room), std::max(0, m.right() - room),
                    std::max(0, m.bottom() - room));
}

} // namespace neon

} // namespace tw
