#include "views/applications/RemainDetailPanel.h"

#include "engine/inventory/ByteFormat.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QPainter>

#include <algorithm>

namespace tw {

namespace {

constexpr qreal kPad = 30;
constexpr qreal kSpacing = 16;
constexpr qreal kSymbol = 48;
constexpr int kMaxLines = 4;  // a name or path far too long to read whole

} // namespace

RemainDetailPanel::RemainDetailPanel(QWidget* parent)
    : QWidget(parent)
{
    onThemeChange(this, [this] { update(); });
}

void RemainDetailPanel::setItem(const RemovableItem& item)
{
    m_item = item;
    update();
}

QString RemainDetailPanel::detailsLine() const
{
    return m_item.category + text::kLabelSeparator + byteformat::string(m_item.size);
}

QStringList RemainDetailPanel::texts() const
{
    return {m_item.title, m_item.subtitle, detailsLine()};
}

RemainDetailPanel::Layout RemainDetailPanel::layoutParts() const
{
    const qreal w = std::max<qreal>(1, width() - 2 * kPad);
    const qreal titleH = text::wrappedHeight(typescale::font(TextRole::largeTitle), m_item.title, w, kMaxLines);
    const qreal subtitleH = text::wrappedHeight(typescale::font(TextRole::callout), m_item.subtitle, w, kMaxLines);
    const qreal detailsH = text::wrappedHeight(typescale::font(TextRole::caption), detailsLine(), w);
    const qreal content = kSymbol + kSpacing + titleH + kSpacing + subtitleH + kSpacing + detailsH;
    // The flexible spaces above and below share what is left.
    qreal y = kPad + std::max<qreal>(0, (height() - 2 * kPad - content) / 2);
    Layout l;
    l.symbol = QRectF(width() / 2.0 - kSymbol / 2, y, kSymbol, kSymbol);
    y += kSymbol + kSpacing;
    l.title = QRectF(kPad, y, w, titleH);
    y += titleH + kSpacing;
    l.subtitle = QRectF(kPad, y, w, subtitleH);
    y += subtitleH + kSpacing;
    l.details = QRectF(kPad, y, w, detailsH);
    return l;
}

void RemainDetailPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Layout l = layoutParts();
    symbols::paint(p, l.symbol, tintedSymbol(QStringLiteral("doc.badge.gearshape"), kSymbol));
    p.setPen(primaryTextTint());
    text::drawWrapped(p, l.title, typescale::font(TextRole::largeTitle), m_item.title, kMaxLines, Qt::AlignHCenter);
    p.setPen(secondaryTint());
    text::drawWrapped(p, l.subtitle, typescale::font(TextRole::callout), text::leftToRight(m_item.subtitle), kMaxLines,
                      Qt::AlignHCenter);
    text::drawWrapped(p, l.details, typescale::font(TextRole::caption),
                      text::labelled(m_item.category, byteformat::string(m_item.size)), 0,
                      Qt::AlignHCenter);
}

} // namespace tw
