#include "menubar/PreviewCard.h"

#include "state/Colour.h"
#include "state/Theme.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/TypeScale.h"

#include <QCache>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tw {

namespace {

constexpr qreal kPadding = 12;
constexpr qreal kCircle = 28;
constexpr qreal kRadius = 12;
constexpr qreal kMinimumHeight = 88;

// One text of a figure, in its font and colour.
struct Run {
    QString text;
    QFont font;
    QColor colour;
};

// Draws the runs left to right on one baseline, gap apart; returns where the last ends.
qreal drawRuns(QPainter& p, qreal x, qreal baseline, const QList<Run>& runs, qreal gap)
{
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const Run& run = runs[i];
        p.setFont(run.font);
        p.setPen(run.colour);
        p.drawText(QPointF(x, baseline), run.text);
        x += QFontMetricsF(run.font).horizontalAdvance(run.text) + (i + 1 < runs.size() ? gap : 0);
    }
    return x;
}

// A big number with its caption after it ("12 Active").
QList<Run> numberWithCaption(const QString& number, const QString& caption, const QFont& captionFont,
                             const QColor& captionColour)
{
    return { { number, typescale::font(TextRole::figure), AppTheme::primaryText() },
             { caption, captionFont, captionColour } };
}

} // namespace

PreviewCard::PreviewCard(SidebarTab tab, const QString& title, const QString& symbol, Figure figure)
    : m_tab(tab)
    , m_title(title)
    , m_symbol(symbol)
    , m_figure(figure)
{
}

QColor PreviewCard::badgeColour() { return rgb(0.2, 0.78, 0.4); }
QColor PreviewCard::allowedColour() { return rgb(0.2, 0.75, 0.38); }
QColor PreviewCard::blockedColour() { return rgb(0.95, 0.55, 0.2); }

bool PreviewCard::setSelected(bool selected)
{
    return std::exchange(m_selected, selected) != selected;
}

bool PreviewCard::setFigures(const PreviewFigures& figures)
{
    const QStringList before = figureTexts();
    m_figures = figures;
    return figureTexts() != before;
}

QStringList PreviewCard::figureTexts() const
{
    const PreviewFigures& f = m_figures;
    switch (m_figure) {
    case Figure::size: return {f.sizeText()};
    case Figure::updates: return {QString::number(f.availableUpdates), QStringLiteral("Available")};
    case Figure::startup: {
        QStringList texts{QString::number(f.activeStartup), QStringLiteral("Active")};
        if (hasBadge())
            texts << u'+' + QString::number(f.remains);
        return texts;
    }
    case Figure::network:
        // Nothing is ever counted as blocked.
        return {QStringLiteral("allowed"), QString::number(f.installedApps), QStringLiteral("blocked"),
                QStringLiteral("0")};
    case Figure::system:
        return {PreviewFigures::percentText(f.cpuPercent), QStringLiteral("CPU"),
                PreviewFigures::percentText(f.memoryPercent), QStringLiteral("RAM")};
    }
    return {};
}

bool PreviewCard::hasBadge() const
{
    return m_figure == Figure::startup && m_figures.remains > 0;
}

qreal PreviewCard::figureHeight() const
{
    if (m_figure != Figure::network)
        return QFontMetricsF(typescale::font(TextRole::figure)).height();
    const qreal row = std::max<qreal>(QFontMetricsF(typescale::font(TextRole::callout)).height(), 13);
    return 2 * row + 4;
}

int PreviewCard::minimumHeight() const
{
    const qreal height = kPadding + kCircle + 8 + figureHeight() + kPadding;
    return int(std::ceil(std::max(kMinimumHeight, height)));
}

QImage PreviewCard::picture(qreal dpr) const
{
    // Whole cards as drawn, by look and figure: a new preview's cards are
    // mostly the last one's. Few are kept, as the System card's figure
    // changes every second.
    static QCache<QString, QImage> pictures(24);
    const AppAppearance a = AppTheme::appearance();
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6x%7@%8")
                            .arg(m_title, m_symbol, rawValue(a))
                            .arg(m_selected)
                            .arg(figureTexts().join(QChar(0x1f)))
                            .arg(m_geometry.width())
                            .arg(m_geometry.height())
                            .arg(dpr);
    if (const QImage* hit = pictures.object(key))
        return *hit;
    QImage image = neon::transparentImage(QSizeF(m_geometry.size()), dpr);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QRectF r(QPointF(0, 0), QSizeF(m_geometry.size()));
        neon::fillRoundedPath(p, r, kRadius, AppTheme::cardFill(a));
        if (m_selected)
            neon::strokeRoundedPathInside(p, r, kRadius, 2, AppTheme::accent(a));
        // The symbol on its circle, the title beside it (two lines at most,
        // smaller before it is cut).
        const QRectF circle(kPadding, kPadding, kCircle, kCircle);
        p.setPen(Qt::NoPen);
        p.setBrush(AppTheme::accent(a));
        p.drawEllipse(circle);
        // The icon set draws within a margin of its box: a size up matches
        // the symbol font's 12 points.
        symbols::paint(p, circle, {m_symbol, 14, Tint::white});
        const QRectF titleBox(circle.right() + 8, kPadding - 4, r.width() - circle.right() - 8 - kPadding, kCircle + 8);
        QFont titleFont = typescale::font(TextRole::value);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
        if (QFontMetricsF(titleFont).boundingRect(titleBox, flags, m_title).height() > titleBox.height())
            titleFont = typescale::resized(TextRole::value, typescale::points(TextRole::value) * 0.85);
        p.setFont(titleFont);
        p.setPen(AppTheme::secondaryText(a));
        p.drawText(titleBox, flags, m_title);
        paintFigure(p, QRectF(kPadding, circle.bottom() + 8, r.width() - 2 * kPadding, figureHeight()));
    }
    pictures.insert(key, new QImage(image));
    return image;
}

void PreviewCard::paintFigure(QPainter& p, const QRectF& area) const
{
    const QStringList t = figureTexts();
    const QColor primary = AppTheme::primaryText();
    const QColor secondary = AppTheme::secondaryText();
    const qreal baseline = area.top() + QFontMetricsF(typescale::font(TextRole::figure)).ascent();
    switch (m_figure) {
    case Figure::size:
        drawRuns(p, area.left(), baseline, {{t[0], typescale::font(TextRole::figure), primary}}, 0);
        return;
    case Figure::updates:
    case Figure::startup: {
        const qreal end
            = drawRuns(p, area.left(), baseline,
                       numberWithCaption(t[0], t[1], typescale::font(TextRole::itemName), faded(primary, 0.75)), 4);
        if (!hasBadge())
            return;
        const QFont& badgeFont = typescale::font(TextRole::badge);
        const QFontMetricsF fm(badgeFont);
        const QRectF badge(end + 8, area.center().y() - (fm.height() + 6) / 2, fm.horizontalAdvance(t[2]) + 14,
                           fm.height() + 6);
        neon::fillRoundedPath(p, badge, badge.height() / 2, badgeColour());
        p.setFont(badgeFont);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, t[2]);
        return;
    }
    case Figure::network: {
        const qreal row = (area.height() - 4) / 2;
        const QFont& label = typescale::font(TextRole::callout);
        const QFont& figure = typescale::font(TextRole::emphasised);
        for (int i = 0; i < 2; ++i) {
            const QRectF line(area.left(), area.top() + i * (row + 4), area.width(), row);
            const QRectF mark(line.left(), line.top(), 13, line.height());
            Glyph glyph{i == 0 ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("xmark.circle.fill"), 13};
            glyph.colour = i == 0 ? allowedColour() : blockedColour();
            symbols::paint(p, mark, glyph);
            p.setFont(label);
            p.setPen(secondary);
            p.drawText(line.adjusted(13 + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, t[2 * i]);
            p.setFont(figure);
            p.setPen(primary);
            p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, t[2 * i + 1]);
        }
        return;
    }
    case Figure::system: {
        const QFont& caption = typescale::font(TextRole::value);
        const qreal end = drawRuns(p, area.left(), baseline, numberWithCaption(t[0], t[1], caption, secondary), 4);
        drawRuns(p, end + 14, baseline, numberWithCaption(t[2], t[3], caption, secondary), 4);
        return;
    }
    }
}

} // namespace tw
