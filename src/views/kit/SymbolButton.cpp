#include "views/kit/SymbolButton.h"

#include <QPainter>

#include <cmath>

namespace tw {

SymbolButton::SymbolButton(const Glyph& glyph, QWidget* parent)
    : QAbstractButton(parent)
    , m_glyph(glyph)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

void SymbolButton::setGlyph(const Glyph& glyph)
{
    m_glyph = glyph;
    updateGeometry();
    update();
}

QSize SymbolButton::sizeHint() const
{
    // A few points around the symbol keep it easy to hit.
    const int side = int(std::ceil(m_glyph.points)) + 6;
    return {side, side};
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (isDown())
        p.setOpacity(0.55);
    else if (!isEnabled())
        p.setOpacity(0.35);
    Symbols::paint(p, QRectF(rect()), m_glyph);
}

} // namespace tw
