#include "views/kit/FittedText.h"

#include "views/kit/Mirror.h"
#include "views/kit/NeonText.h"
#include "views/kit/TextLines.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

constexpr int kMinimumWidth = 40;

// The text broken into lines of at most width, at word boundaries where it can.
QStringList wrapped(const QString& given, const QFont& font, qreal width)
{
    const QString text = text::singleLine(given);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

} // namespace

FittedText::FittedText(TextRole text, Tint role, qreal minimumScale, QWidget* parent)
    : QWidget(parent)
    , m_textRole(text)
    , m_points(qRound(typescale::points(text)))
    , m_smallestPoints(std::min(m_points, int(std::ceil(typescale::points(text) * minimumScale))))
    , m_role(role)
    , m_shownPoints(m_points)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    onThemeChange(this, [this] { update(); });
}

QFont FittedText::fontAt(int points) const
{
    return typescale::resized(m_textRole, points);
}

const FittedText::Fit& FittedText::fit(int width) const
{
    if (width != m_fitWidth) {
        m_fit = layOut(width);
        m_fitWidth = width;
    }
    return m_fit;
}

FittedText::Fit FittedText::layOut(int width) const
{
    if (m_text.isEmpty() || width <= 0)
        return {m_points, {m_text}};
    const int smallest = m_smallestPoints;
    for (int points = m_points; points >= smallest; --points) {
        QStringList lines = wrapped(m_text, fontAt(points), width);
        if (lines.size() <= 2)
            return {points, lines};
    }
    // Still too long at three quarters: the second line ends in an ellipsis.
    const QFont font = fontAt(smallest);
    const QStringList lines = wrapped(m_text, font, width);
    const QString rest = QStringList(lines.begin() + 1, lines.end()).join(u' ');
    return {smallest, {lines.front(), neon::elided(rest, font, width)}};
}

void FittedText::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_fitWidth = -1;
    if (isVisible()) {
        relayout();
    } else {
        m_stale = true;
        updateGeometry();
    }
}

void FittedText::resizeEvent(QResizeEvent*)
{
    if (isVisible())
        relayout();
    else
        m_stale = true;
}

void FittedText::showEvent(QShowEvent*)
{
    if (m_stale)
        relayout();
}

void FittedText::settle() const
{
    if (!m_stale)
        return;
    const Fit& f = fit(width());
    m_lines = f.lines;
    m_shownPoints = f.points;
    m_stale = false;
}

void FittedText::relayout()
{
    m_stale = false;
    const Fit& f = fit(width());
    const bool taller = f.lines.size() != m_lines.size() || f.points != m_shownPoints;
    m_lines = f.lines;
    m_shownPoints = f.points;
    if (taller)
        updateGeometry();
    update();
}

int FittedText::firstBaseline() const
{
    settle();
    // Asked at every layout pass of the row it stands in.
    if (m_baselinePoints != m_shownPoints) {
        m_baseline = int(std::ceil(QFontMetricsF(fontAt(m_shownPoints)).ascent()));
        m_baselinePoints = m_shownPoints;
    }
    return m_baseline;
}

int FittedText::heightForWidth(int width) const
{
    const Fit& f = fit(width);
    return int(std::max<qsizetype>(1, f.lines.size())) * neon::lineHeight(fontAt(f.points));
}

QSize FittedText::sizeHint() const
{
    const QFont font = fontAt(m_points);
    return {int(std::ceil(QFontMetricsF(font).horizontalAdvance(m_text))), neon::lineHeight(font)};
}

QSize FittedText::minimumSizeHint() const
{
    return {kMinimumWidth, neon::lineHeight(fontAt(m_points))};
}

void FittedText::paintEvent(QPaintEvent*)
{
    settle();
    QPainter p(this);
    const QFont font = fontAt(m_shownPoints);
    p.setFont(font);
    p.setPen(tintColour(m_role, AppTheme::appearance()));
    const int lineHeight = neon::lineHeight(font);
    const Qt::Alignment leading = Mirror(*this).align(Qt::AlignLeft);
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        p.drawText(QRect(0, int(i) * lineHeight, width(), lineHeight), leading | Qt::AlignVCenter, m_lines[i]);
}

} // namespace tw
