#pragma once

#include "views/kit/Tints.h"

#include <QAbstractButton>
#include <QFont>

namespace tw {

// A push button of the detail columns: bordered (a faint fill and border,
// the title in primaryTextTint) or prominent (filled with a tint, white
// title). It takes the size the caller fixes, else what its title needs;
// small gives the small control size (11 pt, 22 points high).
class BorderedButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style { bordered, prominent };

    BorderedButton(const QString& title, Style style, const QFont& font, QWidget* parent = nullptr);
    // A bordered button at the small control size.
    static BorderedButton* small(const QString& title, QWidget* parent = nullptr);

    Style style() const { return m_style; }
    // The fill of a prominent button; accentTint unless set.
    void setTint(Tint tint);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
    Tint m_tint = Tint::accent;
};

} // namespace tw
