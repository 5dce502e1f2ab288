#include "views/kit/SymbolView.h"

#include <QPainter>

#include <cmath>

namespace tw {

SymbolView::SymbolView(const Glyph& glyph, QWidget* parent)
    : QWidget(parent)
    , m_glyph(glyph)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

void SymbolView::setGlyph(const Glyph& glyph)
{
    const bool resized = glyph.points != m_glyph.points;
    m_glyph = glyph;
    if (resized)
        updateGeometry();
    update();
}

QSize SymbolView::sizeHint() const
{
    const int side = int(std::ceil(m_glyph.points));
    return {side, side};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    Symbols::paint(p, QRectF(rect()), m_glyph);
}

} // namespace tw
