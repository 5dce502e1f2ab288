#pragma once

#include "views/kit/Symbols.h"

#include <QAbstractButton>

namespace tw {

// A plain button whose label is a symbol (the search toggle, the refresh
// buttons, the reveal button of a row): no bezel, dimmed while pressed.
// Its help text is its tool tip.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SymbolButton(const Glyph& glyph, QWidget* parent = nullptr);

    const Glyph& glyph() const { return m_glyph; }
    void setGlyph(const Glyph& glyph);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glyph m_glyph;
};

} // namespace tw
