#include "views/kit/NeonShapes.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace tw {

namespace neon {

qreal clampedRadius(const QRectF& rect, qreal radius)
{
    return std::max<qreal>(0, std::min({radius, rect.width() / 2, rect.height() / 2}));
}

QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    const qreal r = clampedRadius(rect, radius);
    QPainterPath path;
    path.addRoundedRect(rect, r, r);
    return path;
}

QPainterPath capsule(const QRectF& rect)
{
    return roundedRect(rect, std::min(rect.width(), rect.height()) / 2);
}

QPainterPath insideStrokePath(const QRectF& rect, qreal radius, qreal w)
{
    const qreal h = w / 2;
    return roundedRect(rect.adjusted(h, h, -h, -h), std::max<qreal>(0, radius - h));
}

void fillRect(QPainter& p, const QRectF& r, const QBrush& brush)
{
    if (r.isEmpty())
        return;
    // Whole-pixel rectangles need no antialiasing, which takes Qt's fast rectangle path.
    const bool aligned = p.transform().type() <= QTransform::TxTranslate && r.left() == std::floor(r.left())
        && r.top() == std::floor(r.top()) && r.width() == std::floor(r.width())
        && r.height() == std::floor(r.height());
    const bool antialias = p.testRenderHint(QPainter::Antialiasing);
    if (aligned && antialias)
        p.setRenderHint(QPainter::Antialiasing, false);
    struct Restore {
        QPainter& p;
        bool on;
        ~Restore()
        {
            if (on)
                p.setRenderHint(QPainter::Antialiasing, true);
        }
    } restore{p, aligned && antialias};
    // Band edges on whole device rows, so neighbouring bands meet without seams.
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const qreal step = kBandRows / dpr;
    qreal y = r.top();
    while (y < r.bottom()) {
        const qreal next = std::min(r.bottom(), (std::floor(y * dpr / kBandRows) + 1) * step);
        p.fillRect(QRectF(r.left(), y, r.width(), next - y), brush);
        y = next;
    }
}

void drawImage(QPainter& p, const QPointF& at, const QImage& image)
{
    if (image.isNull())
        return;
    const qreal dpr = image.devicePixelRatio();
    for (int y = 0; y < image.height(); y += kBandRows) {
        const int rows = std::min(kBandRows, image.height() - y);
        const QRectF source(0, y, image.width(), rows);
        const QRectF target(at.x(), at.y() + y / dpr, image.width() / dpr, rows / dpr);
        p.drawImage(target, image, source);
    }
}

namespace {

// The four corner centres, starting top-left, clockwise; and the arc's start angle.
struct Corner {
    QPointF centre;
    qreal startAngle;
};

std::array<Corner, 4> corners(const QRectF& r, qreal rad)
{
    return {Corner{{r.left() + rad, r.top() + rad}, 90},
            Corner{{r.right() - rad, r.top() + rad}, 0},
            Corner{{r.right() - rad, r.bottom() - rad}, 270},
            Corner{{r.left() + rad, r.bottom() - rad}, 180}};
}

// The point at an angle on the circle inscribed in box.
QPointF arcPoint(const QRectF& box, qreal angle)
{
    QPainterPath probe;
    probe.arcMoveTo(box, angle);
    return probe.currentPosition();
}

} // namespace

void fillRoundedRect(QPainter& p, const QRectF& r, qreal radius, const QBrush& brush)
{
    if (r.isEmpty())
        return;
    const qreal rad = clampedRadius(r, radius);
    if (rad <= 0) {
        fillRect(p, r, brush);
        return;
    }
    fillRect(p, QRectF(r.left() + rad, r.top(), r.width() - 2 * rad, r.height()), brush);
    fillRect(p, QRectF(r.left(), r.top() + rad, rad, r.height() - 2 * rad), brush);
    fillRect(p, QRectF(r.right() - rad, r.top() + rad, rad, r.height() - 2 * rad), brush);
    for (const Corner& c : corners(r, rad)) {
        QPainterPath pie;
        pie.moveTo(c.centre);
        pie.arcTo(QRectF(c.centre.x() - rad, c.centre.y() - rad, 2 * rad, 2 * rad), c.startAngle, 90);
        pie.closeSubpath();
        p.fillPath(pie, brush);
    }
}

void strokeRoundedRectInside(QPainter& p, const QRectF& r, qreal radius, qreal w, const QBrush& brush)
{
    if (r.isEmpty() || w <= 0)
        return;
    const qreal rad = clampedRadius(r, radius);
    w = std::min({w, r.width() / 2, r.height() / 2});
    if (rad <= 0) {
        fillRect(p, QRectF(r.left(), r.top(), r.width(), w), brush);
        fillRect(p, QRectF(r.left(), r.bottom() - w, r.width(), w), brush);
        fillRect(p, QRectF(r.left(), r.top() + w, w, r.height() - 2 * w), brush);
        fillRect(p, QRectF(r.right() - w, r.top() + w, w, r.height() - 2 * w), brush);
        return;
    }
    // Straight strips between the corners.
    fillRect(p, QRectF(r.left() + rad, r.top(), r.width() - 2 * rad, w), brush);
    fillRect(p, QRectF(r.left() + rad, r.bottom() - w, r.width() - 2 * rad, w), brush);
    fillRect(p, QRectF(r.left(), r.top() + rad, w, r.height() - 2 * rad), brush);
    fillRect(p, QRectF(r.right() - w, r.top() + rad, w, r.height() - 2 * rad), brush);
    // Corner rings: the outer arc, then back along the inner one.
    const qreal inner = std::max<qreal>(0, rad - w);
    for (const Corner& c : corners(r, rad)) {
        QPainterPath ring;
        const QRectF outerBox(c.centre.x() - rad, c.centre.y() - rad, 2 * rad, 2 * rad);
        ring.arcMoveTo(outerBox, c.startAngle);
        ring.arcTo(outerBox, c.startAngle, 90);
        if (inner > 0) {
            const QRectF innerBox(c.centre.x() - inner, c.centre.y() - inner, 2 * inner, 2 * inner);
            ring.lineTo(arcPoint(innerBox, c.startAngle + 90));
            ring.arcTo(innerBox, c.startAngle + 90, -90);
        } else {
            ring.lineTo(c.centre);
        }
        ring.closeSubpath();
        p.fillPath(ring, brush);
    }
}

void fillRoundedPath(QPainter& p, const QRectF& rect, qreal radius, const QBrush& brush)
{
    p.fillPath(roundedRect(rect, radius), brush);
}

void strokeRoundedPathInside(QPainter& p, const QRectF& rect, qreal radius, qreal width, const QBrush& brush)
{
    p.save();
    p.setPen(QPen(brush, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(insideStrokePath(rect, radius, width));
    p.restore();
}

void fillOutsideCorners(QPainter& p, const QRectF& r, qreal radius, const QBrush& brush)
{
    const qreal rad = clampedRadius(r, radius);
    if (rad <= 0)
        return;
    const QPointF squareCorner[] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    int i = 0;
    for (const Corner& c : corners(r, rad)) {
        const QRectF box(c.centre.x() - rad, c.centre.y() - rad, 2 * rad, 2 * rad);
        QPainterPath piece;
        piece.moveTo(squareCorner[i++]);
        piece.lineTo(arcPoint(box, c.startAngle + 90));
        piece.arcTo(box, c.startAngle + 90, -90);
        piece.closeSubpath();
        p.fillPath(piece, brush);
    }
}

QColor edgeColour(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.20, 0.72, 1.0);
    case AppAppearance::classic: return rgb(0.18, 0.68, 1.0);
    case AppAppearance::indigo: return rgb(0.45, 0.73, 1.0, 0.9);
    }
    return {};
}

} // namespace neon

} // namespace tw
