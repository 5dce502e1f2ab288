#include "views/kit/FeatureEmptyState.h"

#include "views/kit/Symbols.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

constexpr qreal kPadding = 24;
constexpr qreal kSpacing = 14;
constexpr qreal kSymbol = 56;
constexpr qreal kSymbolTop = 8;
constexpr int kSubtitleFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

FeatureEmptyState::FeatureEmptyState(const QString& title, const QString& subtitle, const QString& systemImage,
                                     QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_subtitle(subtitle)
    , m_systemImage(systemImage)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    onThemeChange(this, [this] { update(); });
}

void FeatureEmptyState::setSubtitleWidth(qreal width)
{
    m_subtitleWidth = width;
    updateGeometry();
    update();
}

void FeatureEmptyState::setSymbolOpacity(qreal opacity)
{
    m_symbolOpacity = opacity;
    update();
}

FeatureEmptyState::Layout FeatureEmptyState::layoutParts() const
{
    const QRectF area = QRectF(rect()).adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const qreal titleH = QFontMetricsF(typescale::font(TextRole::emptyTitle)).height();
    const qreal subtitleW = std::max<qreal>(0, std::min(m_subtitleWidth, area.width()));
    const QRectF wrapped = QFontMetricsF(typescale::font(TextRole::subtitle))
                               .boundingRect(QRectF(0, 0, subtitleW, 1e6), kSubtitleFlags, m_subtitle);
    const qreal subtitleH = m_subtitle.isEmpty() ? 0 : wrapped.height();
    const qreal total = titleH + kSpacing + subtitleH + kSpacing + kSymbolTop + kSymbol;
    // The flexible spacers above and below share what is left equally.
    qreal y = area.top() + std::max<qreal>(0, (area.height() - total) / 2);
    const qreal cx = area.center().x();
    Layout l;
    const qreal titleW = QFontMetricsF(typescale::font(TextRole::emptyTitle)).horizontalAdvance(m_title);
    l.title = QRectF(cx - titleW / 2, y, titleW, titleH);
    y += titleH + kSpacing;
    l.subtitle = QRectF(cx - subtitleW / 2, y, subtitleW, subtitleH);
    y += subtitleH + kSpacing + kSymbolTop;
    l.symbol = QRectF(cx - kSymbol / 2, y, kSymbol, kSymbol);
    return l;
}

QSize FeatureEmptyState::sizeHint() const
{
    return {int(m_subtitleWidth + 2 * kPadding), 320};
}

void FeatureEmptyState::paintEvent(QPaintEvent*)
{
    const Layout l = layoutParts();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(typescale::font(TextRole::emptyTitle));
    p.setPen(primaryTextTint());
    p.drawText(l.title, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, m_title);
    p.setFont(typescale::font(TextRole::subtitle));
    p.setPen(secondaryTint());
    p.drawText(l.subtitle, kSubtitleFlags, m_subtitle);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    symbols::paint(p, l.symbol, {m_systemImage, kSymbol, Tint::accent, m_symbolOpacity});
}

} // namespace tw
