#pragma once

#include "views/kit/Symbols.h"

#include <QWidget>

namespace tw {

// A symbol shown on its own (an image in a row, a decoration in a header),
// centred in the widget and coloured for the current theme at each paint.
// It takes no clicks.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    explicit SymbolView(const Glyph& glyph, QWidget* parent = nullptr);

    const Glyph& glyph() const { return m_glyph; }
    void setGlyph(const Glyph& glyph);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glyph m_glyph;
};

} // namespace tw
