#pragma once

#include "views/kit/SymbolWidget.h"

namespace tw {

// A symbol shown on its own (an image in a row, a decoration in a header).
// It takes no clicks.
class SymbolView : public SymbolWidget<QWidget> {
    Q_OBJECT
public:
    explicit SymbolView(const Glyph& glyph, QWidget* parent = nullptr);
};

} // namespace tw
