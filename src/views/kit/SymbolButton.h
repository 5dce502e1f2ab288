#pragma once

#include "views/kit/SymbolWidget.h"

#include <QAbstractButton>

namespace tw {

// A plain button whose label is a symbol (the search toggle, the refresh
// buttons, the reveal button of a row): no bezel, dimmed while pressed.
// Its help text is its tool tip.
class SymbolButton : public SymbolWidget<QAbstractButton> {
    Q_OBJECT
public:
    explicit SymbolButton(const Glyph& glyph, QWidget* parent = nullptr);

protected:
    qreal symbolOpacity() const override;
};

} // namespace tw
