#include "views/kit/SymbolButton.h"

#include "views/kit/KeyFocus.h"

namespace tw {

// A few points around the symbol keep it easy to hit.
SymbolButton::SymbolButton(const Glyph& glyph, QWidget* parent)
    : SymbolWidget(glyph, 3, parent)
{
    keyfocus::makeStop(this, 6);
    setCursor(Qt::PointingHandCursor);
}

qreal SymbolButton::symbolOpacity() const
{
    if (isDown())
        return 0.55;
    return isEnabled() ? 1.0 : 0.35;
}

} // namespace tw
