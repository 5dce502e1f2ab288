#include "views/kit/CardText.h"

#include "views/kit/Mirror.h"
#include "views/kit/NeonText.h"
#include "views/kit/Tints.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tw {

CardLine CardLine::title(const QString& text, TextRole role)
{
    return {text, typescale::font(role), primaryTextTint()};
}

CardLine CardLine::caption(const QString& text, TextRole role)
{
    return {text, typescale::font(role), secondaryTint()};
}

qreal CardText::lineHeight(const QFont& font) const
{
    return wholePoints ? neon::lineHeight(font) : QFontMetricsF(font).height();
}

qreal CardText::height(const QList<CardLine>& lines) const
{
    qreal h = 0;
    for (const CardLine& line : lines)
        h += lineHeight(line.font);
    return lines.isEmpty() ? 0 : h + gap * qreal(lines.size() - 1);
}

void CardText::paint(QPainter& p, const QRectF& box, const QList<CardLine>& lines) const
{
    paint(p, Mirror(Qt::LeftToRight, {}), box, lines);
}

void CardText::paint(QPainter& p, const Mirror& m, const QRectF& logicalBox, const QList<CardLine>& lines) const
{
    const QRectF box = m(logicalBox);
    const Qt::Alignment shown = m.align(alignment);
    qreal y = box.top() + (box.height() - height(lines)) / 2;
    for (const CardLine& line : lines) {
        const qreal h = lineHeight(line.font);
        p.setFont(line.font);
        p.setPen(line.colour);
        p.drawText(QRectF(box.left(), y, box.width(), h), shown | Qt::AlignVCenter,
                   neon::elided(line.text, line.font, box.width()));
        y += h + gap;
    }
}

qreal CardText::titleCaptionHeight() const
{
    return lineHeight(typescale::font(TextRole::rowTitle)) + gap + lineHeight(typescale::font(TextRole::caption));
}

void CardText::paint(QPainter& p, const Mirror& m, const QRectF& box, const QString& title,
                     const QString& caption) const
{
    paint(p, m, box, {CardLine::title(title), CardLine::caption(caption)});
}

} // namespace tw
