#include "views/kit/TextLines.h"

#include "views/kit/NeonText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>
#include <vector>

namespace tw::text {

namespace {

struct Line {
    int start;
    int length;
    qreal width;  // natural
};

// The lines of text in width, at most maxLines (0: all); more tells whether text goes on.
std::vector<Line> layOut(const QFont& font, const QString& text, qreal width, int maxLines, bool* more)
{
    QTextLayout layout(singleLine(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    std::vector<Line> lines;
    *more = false;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        if (maxLines > 0 && int(lines.size()) == maxLines) {
            *more = true;
            break;
        }
        line.setLineWidth(std::max<qreal>(1, width));
        lines.push_back({line.textStart(), line.textLength(), line.naturalTextWidth()});
    }
    layout.endLayout();
    return lines;
}

constexpr QChar kLeftToRightIsolate(0x2066);
constexpr QChar kRightToLeftIsolate(0x2067);
constexpr QChar kPopIsolate(0x2069);

// LRI, RLI, FSI (U+2068) or PDI.
bool isIsolateMark(QChar c)
{
    return c >= kLeftToRightIsolate && c <= kPopIsolate;
}

// The isolates still open where position begins, outermost first.
QString openIsolates(const QString& text, qsizetype position)
{
    QString open;
    for (qsizetype i = 0; i < position && i < text.size(); ++i) {
        if (text[i] == kPopIsolate)
            open.chop(1);
        else if (isIsolateMark(text[i]))
            open += text[i];
    }
    return open;
}

bool fitsOnOneLine(const QFontMetricsF& m, const QString& text, qreal width)
{
    return m.horizontalAdvance(singleLine(text)) <= width;
}

} // namespace

QString leftToRight(const QString& value)
{
    return kLeftToRightIsolate + withoutIsolates(value) + kPopIsolate;
}

QString withoutIsolates(QString text)
{
    text.removeIf(isIsolateMark);
    return text;
}

QString labelled(const QString& label, const QString& value)
{
    const QString own = withoutIsolates(label);
    const QChar direction = own.isRightToLeft() ? kRightToLeftIsolate : kLeftToRightIsolate;
    return direction + own + kLabelSeparator + leftToRight(value) + kPopIsolate;
}

qreal wrappedHeight(const QFont& font, const QString& text, qreal width, int maxLines)
{
    const QFontMetricsF m(font);
    if (fitsOnOneLine(m, text, width))
        return std::ceil(m.height());
    bool more = false;
    const size_t lines = std::max<size_t>(1, layOut(font, text, width, maxLines, &more).size());
    return std::ceil(m.height() + qreal(lines - 1) * m.lineSpacing());
}

qreal wrappedWidth(const QFont& font, const QString& text, qreal width)
{
    const QFontMetricsF m(font);
    if (fitsOnOneLine(m, text, width))
        return m.horizontalAdvance(text);
    bool more = false;
    qreal widest = 0;
    for (const Line& line : layOut(font, text, width, 0, &more))
        widest = std::max(widest, line.width);
    return std::min(width, std::ceil(widest));
}

void drawWrapped(QPainter& p, const QRectF& rect, const QFont& font, const QString& text, int maxLines,
                 Qt::Alignment horizontal)
{
    const QFontMetricsF m(font);
    p.setFont(font);
    const int flags = int(horizontal) | Qt::AlignTop | Qt::TextSingleLine;
    if (fitsOnOneLine(m, text, rect.width())) {
        p.drawText(QRectF(rect.left(), rect.top(), rect.width(), m.height()), flags, singleLine(text));
        return;
    }
    bool more = false;
    const std::vector<Line> lines = layOut(font, text, rect.width(), maxLines, &more);
    qreal y = rect.top();
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool last = i + 1 == lines.size();
        QString shown = text.mid(lines[i].start, last && more ? -1 : lines[i].length);
        shown = singleLine(shown).trimmed();
        // An isolated run goes on as one on the lines it wraps to.
        if (i > 0)
            shown.prepend(openIsolates(text, lines[i].start));
        if (last && more)
            shown = m.elidedText(shown, Qt::ElideRight, rect.width());
        p.drawText(QRectF(rect.left(), y, rect.width(), m.height()), flags, shown);
        y += m.lineSpacing();
    }
}

void drawElided(QPainter& p, const QRectF& rect, const QFont& font, const QString& text, Qt::Alignment horizontal)
{
    p.setFont(font);
    p.drawText(rect, int(horizontal) | Qt::AlignVCenter | Qt::TextSingleLine, neon::elided(text, font, rect.width()));
}

} // namespace tw::text
