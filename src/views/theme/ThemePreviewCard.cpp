#include "views/theme/ThemePreviewCard.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

namespace {

constexpr int kPadding = 14;
constexpr int kSymbol = 18;

// Lays text out over at most maxLines lines of width, eliding the last.
QStringList wrapLines(const QString& text, const QFont& font, qreal width, int maxLines)
{
    QStringList lines;
    QTextLayout layout(text, font);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            lines << neon::elided(text.mid(line.textStart()), font, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

// Paints shape-shaped shadows of a filled path.
void shapeShadow(QPainter& p, const QString& key, const QRectF& r, qreal radius, const neon::Shadow& s)
{
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QImage body = neon::cachedImage(key, r.size().toSize(), dpr, [&](QPainter& q) {
        q.fillPath(neon::roundedRect(QRectF(QPointF(0, 0), r.size()), radius), Qt::black);
    });
    neon::paintShadows(p, key, body, r.topLeft(), {s});
}

} // namespace

// ---- ThemePreviewCard ---------------------------------------------------------------

ThemePreviewCard::ThemePreviewCard(AppAppearance appearance, bool selected, std::function<void()> action,
                                   QWidget* parent)
    : QAbstractButton(parent)
    , m_appearance(appearance)
    , m_selected(selected)
{
    keyfocus::makeStop(this, 14);
    setText(displayName(appearance));
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Fixed);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
}

void ThemePreviewCard::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    glowhost::invalidate(this);
}

QString ThemePreviewCard::symbolName() const
{
    return m_selected ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle");
}

QColor ThemePreviewCard::symbolColour() const
{
    return m_selected ? AppTheme::accent() : AppTheme::secondaryText();
}

int ThemePreviewCard::descriptionHeight(int width) const
{
    const qreal textWidth = std::max(10, width - 2 * kPadding - kSymbol - 8);
    const QStringList lines = wrapLines(description(m_appearance), typescale::font(TextRole::caption), textWidth, 2);
    return int(std::ceil(QFontMetricsF(typescale::font(TextRole::caption)).lineSpacing()
                         * std::max<qsizetype>(1, lines.size())));
}

int ThemePreviewCard::heightForWidth(int width) const
{
    const int name = typescale::lineHeight(TextRole::cardTitle);
    const int text = name + 2 + descriptionHeight(width);
    return kPadding + swatchHeight() + 12 + std::max(kSymbol, text) + kPadding;
}

QSize ThemePreviewCard::sizeHint() const
{
    return {320, heightForWidth(320)};
}

namespace {

// The miniatures of the three themes: a sidebar strip at the left, content beside it.
struct SwatchParts {
    QRectF strip;
    QRectF content;
    QString key;  // the start of the cache keys of its pictures
};

void paintClassicSwatch(QPainter& p, const SwatchParts& parts)
{
    const QRectF& strip = parts.strip;
    const QRectF& content = parts.content;
    const QString& key = parts.key;
    QLinearGradient g(strip.topLeft(), strip.bottomLeft());
    g.setStops({{0, AppTheme::sidebarTop()}, {1, AppTheme::sidebarBottom()}});
    p.fillRect(strip, g);
    p.fillRect(content, rgb(0.92, 0.93, 0.95));
    const QRectF inner = content.adjusted(8, 8, -8, -8);
    const qreal h = (inner.height() - 6) / 2;
    const QRectF top(inner.left(), inner.top(), inner.width(), h);
    const QRectF bottom(inner.left(), inner.top() + h + 6, inner.width(), h);
    shapeShadow(p, key + QStringLiteral("top") + QString::number(top.width()), top, 6,
                {faded(rgb(0.15, 0.65, 1.0), 0.55), 4, {0, 0}});
    QLinearGradient f(top.topLeft(), top.bottomLeft());
    f.setStops({{0, rgb(0.88, 0.93, 1.0)}, {1, rgb(0.72, 0.84, 0.96)}});
    p.fillPath(neon::roundedRect(top, 6), f);
    neon::strokeRoundedPathInside(p, top, 6, 1.4, rgb(0.2, 0.72, 1.0));
    p.fillPath(neon::roundedRect(bottom, 4), Qt::white);
}

void paintMidnightSwatch(QPainter& p, const SwatchParts& parts)
{
    const QRectF& strip = parts.strip;
    const QRectF& content = parts.content;
    const QString& key = parts.key;
    p.fillRect(strip, rgb(0.05, 0.1, 0.22));
    const QRectF pill(strip.center().x() - 11, strip.center().y() - 24, 22, 48);
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QImage ring = neon::cachedImage(key + QStringLiteral("pill"), pill.size().toSize(), dpr, [&](QPainter& q) {
        neon::strokeRoundedPathInside(q, QRectF(0, 0, 22, 48), 11, 1.2, rgb(0.2, 0.72, 1.0));
    });
    neon::paintShadows(p, key + QStringLiteral("pill"), ring, pill.topLeft(),
                       {{faded(rgb(0.15, 0.65, 1.0), 0.7), 6, {0, 0}}});
    p.drawImage(pill.topLeft(), ring);
    p.fillRect(content, rgb(0.04, 0.07, 0.12));
    const QRectF inner = content.adjusted(8, 8, -8, -8);
    const qreal h = (inner.height() - 6) / 2;
    const QRectF top(inner.left(), inner.top(), inner.width(), h);
    const QRectF bottom(inner.left(), inner.top() + h + 6, inner.width(), h);
    p.fillPath(neon::roundedRect(top, 4), rgb(0.07, 0.12, 0.22));
    neon::strokeRoundedPathInside(p, top, 4, 1.5, faded(rgb(0.2, 0.72, 1.0), 0.8));
    p.fillPath(neon::roundedRect(bottom, 4), rgb(0.06, 0.1, 0.18));
}

void paintIndigoSwatch(QPainter& p, const SwatchParts& parts)
{
    const QRectF& strip = parts.strip;
    const QRectF& content = parts.content;
    const QString& key = parts.key;
    QLinearGradient s(strip.topLeft(), strip.bottomLeft());
    s.setStops({{0, rgb(0.06, 0.09, 0.18)}, {1, rgb(0.03, 0.04, 0.08)}});
    p.fillRect(strip, s);
    const QRectF c1(strip.center().x() - 11, strip.center().y() - 17, 22, 14);
    const QRectF c2(strip.center().x() - 11, strip.center().y() + 3, 22, 14);
    p.fillPath(neon::capsule(c1), rgb(0.08, 0.12, 0.22));
    neon::strokeRoundedPathInside(p, c1, 7, 1, faded(Qt::white, 0.18));
    p.fillPath(neon::capsule(c2), rgb(0.12, 0.28, 0.55, 0.7));
    neon::strokeRoundedPathInside(p, c2, 7, 1, faded(rgb(0.45, 0.73, 1.0), 0.6));

    QLinearGradient bg(content.topLeft(), content.bottomLeft());
    bg.setStops({{0, rgb(0.04, 0.05, 0.1)}, {1, rgb(0.02, 0.03, 0.06)}});
    p.fillRect(content, bg);
    const QRectF inner = content.adjusted(10, 10, -10, -10);
    const QRectF panel(inner.left(), inner.top(), inner.width(), std::max<qreal>(0, inner.height() - 8 - 22));
    shapeShadow(p, key + QStringLiteral("panel") + QString::number(panel.width()), panel, 10,
                {faded(Qt::black, 0.45), 6, {0, 3}});
    p.fillPath(neon::roundedRect(panel, 10), rgb(0.07, 0.1, 0.17));
    QLinearGradient edge(panel.topLeft(), panel.bottomRight());
    edge.setStops({{0, faded(Qt::white, 0.35)}, {1, faded(Qt::white, 0.05)}});
    neon::strokeRoundedPathInside(p, panel, 10, 1, edge);
    const qreal rowTop = panel.bottom() + 8;
    const QRectF circle(inner.left(), rowTop + 2, 18, 18);
    p.setPen(QPen(rgb(0.12, 0.56, 1.0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle.adjusted(1, 1, -1, -1));
    const QRectF bar(circle.right() + 6, rowTop, std::max<qreal>(0, inner.right() - circle.right() - 6), 22);
    p.fillPath(neon::roundedRect(bar, 6), rgb(0.08, 0.12, 0.2));
    neon::strokeRoundedPathInside(p, bar, 6, 1, faded(Qt::white, 0.12));
}

} // namespace

void ThemePreviewCard::paintSwatch(QPainter& p, const QRectF& rect, AppAppearance shown)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const SwatchParts parts{QRectF(rect.left(), rect.top(), 36, rect.height()),
                            QRectF(rect.left() + 36, rect.top(), std::max<qreal>(0, rect.width() - 36), rect.height()),
                            QStringLiteral("swatch|") + rawValue(shown) + u'|'};
    switch (shown) {
    case AppAppearance::classic: paintClassicSwatch(p, parts); break;
    case AppAppearance::midnight: paintMidnightSwatch(p, parts); break;
    case AppAppearance::indigo: paintIndigoSwatch(p, parts); break;
    }
    p.restore();
}

void ThemePreviewCard::paintGlow(QPainter& p)
{
    if (!m_selected)
        return;
    neon::paintRoundedRectShadows(p, QRectF(rect()), 14, {{faded(AppTheme::selectionGlow(), 0.35), 12, {0, 2}}});
}

QMargins ThemePreviewCard::glowExtent() const
{
    return neon::shadowExtent({{Qt::black, 12, {0, 2}}});
}

void ThemePreviewCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    neon::fillRoundedRect(p, r, 14, AppTheme::cardFill());
    neon::strokeRoundedRectInside(p, r, 14, 1,
                                  m_selected ? faded(AppTheme::selectionStroke(), 0.7) : AppTheme::cardStroke());

    // The miniature, with its own glow when selected.
    const QRectF swatch(kPadding, kPadding, std::max<qreal>(0, r.width() - 2 * kPadding), swatchHeight());
    if (m_selected)
        neon::paintRoundedRectShadows(p, swatch, 12, {{faded(AppTheme::selectionGlow(), 0.55), 10, {0, 0}}});
    const qreal dpr = devicePixelRatioF();
    // Right to left, the miniature's sidebar stands on the right, as the window's does.
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QImage mini = neon::cachedImage(QStringLiteral("swatchimage|") + rawValue(m_appearance) + (rtl ? u'<' : u'>'),
                                          swatch.size().toSize(), dpr, [&](QPainter& q) {
        if (rtl) {
            q.translate(swatch.width(), 0);
            q.scale(-1, 1);
        }
        q.setClipPath(neon::roundedRect(QRectF(QPointF(0, 0), swatch.size()), 12));
        paintSwatch(q, QRectF(QPointF(0, 0), swatch.size()), m_appearance);
    });
    neon::drawImage(p, swatch.topLeft(), mini);
    if (m_selected)
        neon::strokeRoundedRectInside(p, swatch, 12, 2, AppTheme::selectionStroke());
    else
        neon::strokeRoundedRectInside(p, swatch, 12, 1, AppTheme::cardStroke());

    // The symbol, the name and the description.
    const qreal top = swatch.bottom() + 12;
    const QFontMetricsF nameMetrics(typescale::font(TextRole::cardTitle));
    const QFontMetricsF descMetrics(typescale::font(TextRole::caption));
    // The symbol leads the texts, which stand on the leading side.
    const qreal textWidth = std::max<qreal>(10, r.width() - (kPadding + kSymbol + 8) - kPadding);
    const Mirror m(*this);
    const Qt::Alignment leading = m.align(Qt::AlignLeft);
    const QStringList lines = wrapLines(description(m_appearance), typescale::font(TextRole::caption), textWidth, 2);
    const qreal blockHeight = nameMetrics.height() + 2 + descMetrics.lineSpacing() * std::max<qsizetype>(1, lines.size());
    const qreal rowHeight = std::max<qreal>(kSymbol, blockHeight);
    const QImage symbol = [&] {
        QImage s = symbols::image(symbolName(), int(std::ceil(kSymbol * dpr)), symbolColour());
        s.setDevicePixelRatio(dpr);
        return s;
    }();
    p.drawImage(m(QRectF(kPadding, top + (rowHeight - kSymbol) / 2, kSymbol, kSymbol)), symbol);

    qreal y = top + (rowHeight - blockHeight) / 2;
    p.setFont(typescale::font(TextRole::cardTitle));
    p.setPen(AppTheme::primaryText());
    const qreal textX = kPadding + kSymbol + 8;
    p.drawText(m(QRectF(textX, y, textWidth, nameMetrics.height())), leading | Qt::AlignVCenter,
               neon::elided(text(), typescale::font(TextRole::cardTitle), textWidth));
    y += nameMetrics.height() + 2;
    p.setFont(typescale::font(TextRole::caption));
    p.setPen(AppTheme::secondaryText());
    for (const QString& line : lines) {
        p.drawText(m(QRectF(textX, y, textWidth, descMetrics.lineSpacing())), leading | Qt::AlignVCenter, line);
        y += descMetrics.lineSpacing();
    }
}

void ThemePreviewCard::showEvent(QShowEvent*)
{
    glowhost::attach(this);
}

} // namespace tw
