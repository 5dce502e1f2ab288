#pragma once

#include "views/kit/Symbols.h"

#include <QWidget>

namespace tw {

// A widget that shows one symbol centred in it, coloured for the current
// theme at each paint, with room points around it. Base is QWidget or a
// QWidget subclass; the subclasses declare their own Q_OBJECT.
template <class Base>
class SymbolWidget : public Base {
public:
    const Glyph& glyph() const { return m_glyph; }
    void setGlyph(const Glyph& glyph);
    QSize sizeHint() const override;

protected:
    SymbolWidget(const Glyph& glyph, int room, QWidget* parent);
    // How opaque the symbol is drawn.
    virtual qreal symbolOpacity() const { return 1.0; }
    void paintEvent(QPaintEvent* event) override;

private:
    Glyph m_glyph;
    int m_room;
};

} // namespace tw
