#include "views/applications/TornDocumentIcon.h"

#include "state/Colour.h"

#include <QPainter>

namespace tw {

QColor TornDocumentIcon::paper()
{
    return rgb(0.96, 0.97, 0.98);
}

QColor TornDocumentIcon::ink()
{
    return rgb(0.55, 0.58, 0.62);
}

TornDocumentIcon::Shape TornDocumentIcon::shape(const QSizeF& canvas)
{
    const qreal w = canvas.width(), h = canvas.height();
    const qreal fold = 0.26 * w;
    const qreal top = 0.08 * h;
    auto at = [&](qreal x, qreal y) { return QPointF(x * w, y * h); };
    Shape s;
    s.sheet << at(0.12, 0.08) << at(0.62, 0.08) << QPointF(0.88 * w, top + fold) << at(0.88, 0.72) << at(0.78, 0.80)
            << at(0.68, 0.72) << at(0.55, 0.82) << at(0.42, 0.72) << at(0.30, 0.84) << at(0.12, 0.74);
    s.fold << at(0.62, 0.08) << QPointF(0.88 * w, top + fold) << QPointF(0.62 * w, top + fold);
    s.lines = {QLineF(at(0.24, 0.32), at(0.72, 0.32)), QLineF(at(0.24, 0.44), at(0.72, 0.44)),
               QLineF(at(0.24, 0.56), at(0.55, 0.56))};
    return s;
}

void TornDocumentIcon::paint(QPainter& p, const QRectF& canvas)
{
    if (canvas.isEmpty())
        return;
    const Shape s = shape(canvas.size());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(canvas.topLeft());
    auto pen = [](const QColor& c, qreal width) { return QPen(c, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin); };
    p.setPen(pen(ink(), 1.4));
    p.setBrush(paper());
    p.drawPolygon(s.sheet, Qt::WindingFill);
    p.setPen(pen(ink(), 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(s.fold);
    p.setPen(pen(faded(ink(), 0.55), 1.1));
    p.drawLines(s.lines.data(), int(s.lines.size()));
    p.restore();
}

} // namespace tw
