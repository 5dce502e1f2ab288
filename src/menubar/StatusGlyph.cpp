#include "menubar/StatusGlyph.h"

#include "views/kit/NeonShapes.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw::statusglyph {

namespace {

constexpr qreal kRadius = 4.5;
constexpr qreal kRim = 1.0;
// The brush is drawn a little smaller than the tile, around its middle.
constexpr qreal kGlyphScale = 0.78;
constexpr qreal kBadgeHeight = 11;

QColor rimColour()
{
    return QColor(255, 255, 255, 225);
}

// The glyph is drawn in a frame whose origin is the bottom-left corner, y upwards.
QPointF up(qreal x, qreal y)
{
    return {x, side - y};
}

void paintBrush(QPainter& p, const QColor& colour)
{
    QPen pen(colour, 1.7, Qt::SolidLine, Qt::RoundCap);
    // The handle.
    p.setPen(pen);
    p.drawLine(up(13.2, 15.6), up(8.2, 8.4));
    // The brush head.
    QPainterPath head(up(6.4, 9.2));
    head.cubicTo(up(4.2, 8.6), up(2.4, 7.2), up(2.1, 5.2));
    head.cubicTo(up(3.4, 3.2), up(5.6, 2.6), up(7.6, 3.1));
    head.cubicTo(up(9.8, 3.8), up(10.8, 5.6), up(10.4, 7.4));
    head.closeSubpath();
    p.fillPath(head, colour);
    // The plus sign.
    pen.setWidthF(1.15);
    p.setPen(pen);
    p.drawLine(up(14.6, 5.8), up(14.6, 3.2));
    p.drawLine(up(13.3, 4.5), up(15.9, 4.5));
}

void paintTile(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(kRim / 2, kRim / 2, side - kRim, side - kRim);
    p.setPen(QPen(rimColour(), kRim));
    p.setBrush(tileColour());
    p.drawPath(neon::roundedRect(tile, kRadius));
    p.save();
    p.translate(side / 2.0, side / 2.0);
    p.scale(kGlyphScale, kGlyphScale);
    p.translate(-side / 2.0, -side / 2.0);
    paintBrush(p, inkColour());
    p.restore();
}

QImage canvas(qreal width, qreal dpr)
{
    QImage img(QSize(int(std::ceil(width * dpr)), int(std::ceil(side * dpr))), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    return img;
}

} // namespace

QColor tileColour()
{
    return rgb(0.07, 0.12, 0.22);
}

QColor inkColour()
{
    return QColor(Qt::white);
}

QColor badgeColour()
{
    return rgb(0.84, 0.16, 0.20);
}

QString badgeTitle(int availableUpdates)
{
    return availableUpdates > 0 ? u' ' + QString::number(availableUpdates) : QString();
}

QImage image(qreal dpr)
{
    QImage img = canvas(side, dpr);
    QPainter p(&img);
    paintTile(p);
    return img;
}

QImage withBadge(const QString& title, qreal dpr)
{
    const QString number = title.trimmed();
    if (number.isEmpty())
        return image(dpr);
    // On the tile's top right corner: a tray fits its pictures into a square,
    // and shrinks a wider one until a number beside the glyph cannot be read.
    QImage img = image(dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = typescale::font(TextRole::glyphBadge);
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(number);
    const qreal width = std::min<qreal>(side, std::max(kBadgeHeight, std::ceil(textWidth) + 5));
    const QRectF badge(side - width + kRim / 2, kRim / 2, width - kRim, kBadgeHeight - kRim);
    p.setPen(QPen(rimColour(), kRim));
    p.setBrush(badgeColour());
    p.drawPath(neon::capsule(badge));
    p.setFont(font);
    p.setPen(inkColour());
    p.drawText(badge, Qt::AlignCenter, number);
    return img;
}

} // namespace tw::statusglyph
