#include "views/kit/SymbolView.h"

namespace tw {

SymbolView::SymbolView(const Glyph& glyph, QWidget* parent)
    : SymbolWidget(glyph, 0, parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

} // namespace tw
