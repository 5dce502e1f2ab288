#include "menubar/StatusGlyph.h"

#include "views/kit/NeonPaint.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw::StatusGlyph {

namespace {

// The glyph is drawn in a frame whose origin is the bottom-left corner, y upwards.
QPointF up(qreal x, qreal y)
{
    return {x, side - y};
}

void paintGlyph(QPainter& p, const QColor& colour)
{
    p.setRenderHint(QPainter::Antialiasing);
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

QImage canvas(qreal width, qreal dpr)
{
    QImage img(QSize(int(std::ceil(width * dpr)), int(std::ceil(side * dpr))), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    return img;
}

} // namespace

QString badgeTitle(int availableUpdates)
{
    return availableUpdates > 0 ? u' ' + QString::number(availableUpdates) : QString();
}

QImage image(const QColor& colour, qreal dpr)
{
    QImage img = canvas(side, dpr);
    QPainter p(&img);
    paintGlyph(p, colour);
    return img;
}

QImage withBadge(const QString& title, const QColor& colour, qreal dpr)
{
    if (title.isEmpty())
        return image(colour, dpr);
    const QFont font = neon::systemFont(13, QFont::DemiBold);
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(title);
    QImage img = canvas(side + textWidth, dpr);
    QPainter p(&img);
    paintGlyph(p, colour);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(side, 0, textWidth, side), Qt::AlignLeft | Qt::AlignVCenter, title);
    return img;
}

} // namespace tw::StatusGlyph
