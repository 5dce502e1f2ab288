#include "views/kit/CardText.h"

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
    qreal y = box.top() + (box.height() - height(lines)) / 2;
    for (const CardLine& line : lines) {
        const qreal h = lineHeight(line.font);
        p.setFont(line.font);
        p.setPen(line.colour);
        p.drawText(QRectF(box.left(), y, box.width(), h), alignment | Qt::AlignVCenter,
                   neon::elided(line.text, line.font, box.width()));
        y += h + gap;
    }
}

qreal CardText::titleCaptionHeight() const
{
    return lineHeight(typescale::font(TextRole::rowTitle)) + gap + lineHeight(typescale::font(TextRole::caption));
}

void CardText::paint(QPainter& p, const QRectF& box, const QString& title, const QString& caption) const
{
    paint(p, box, {CardLine::title(title), CardLine::caption(caption)});
}

} // namespace tw
