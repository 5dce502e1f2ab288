#include "views/kit/SymbolWidget.h"

#include <QAbstractButton>
#include <QPainter>

#include <cmath>

namespace tw {

template <class Base>
SymbolWidget<Base>::SymbolWidget(const Glyph& glyph, int room, QWidget* parent)
    : Base(parent)
    , m_glyph(glyph)
    , m_room(room)
{
    this->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { this->update(); });
}

template <class Base>
void SymbolWidget<Base>::setGlyph(const Glyph& glyph)
{
    const bool resized = glyph.points != m_glyph.points;
    m_glyph = glyph;
    if (resized)
        this->updateGeometry();
    this->update();
}

template <class Base>
QSize SymbolWidget<Base>::sizeHint() const
{
    const int side = int(std::ceil(m_glyph.points)) + 2 * m_room;
    return {side, side};
}

template <class Base>
void SymbolWidget<Base>::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal opacity = symbolOpacity();
    if (opacity < 1)
        p.setOpacity(opacity);
    symbols::paint(p, QRectF(this->rect()), m_glyph);
}

template class SymbolWidget<QWidget>;
template class SymbolWidget<QAbstractButton>;

} // namespace tw
