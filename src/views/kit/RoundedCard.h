#pragma once

#include "state/AppAppearance.h"
#include "views/kit/ClickableRow.h"
#include "views/kit/Glow.h"


namespace tw {

// The colours of a list card in one theme: its fill, its border (drawn
// inside the edge; none when clear) and its glow (radius 10, no offset;
// none when clear).
struct CardLook {
    QColor fill;
    QColor stroke;
    qreal strokeWidth = 1.0;
    QColor glow;

    // The card's corner radius: midnight 10, classic 8, indigo 18.
    static qreal radius(AppAppearance a);

    // The looks the workspaces share (pass them to RoundedCard::setLook):
    // normal: the card fill and border, 1 pt;
    static CardLook normal(AppAppearance a);
    // active: the selection fill, the selection stroke 1.6 pt and the
    // selection glow at 0.55;
    static CardLook active(AppAppearance a);
    // highlighted: the selection fill with the normal border;
    static CardLook highlighted(AppAppearance a);
    // outlined: the selection fill with the selection stroke at 1 pt;
    static CardLook outlined(AppAppearance a);
    // accented: accentTint at 0.10 behind a 1 pt border of it at 0.55.
    static CardLook accented(AppAppearance a);
};

// A rounded card of a list: it paints its look (chosen again for the
// current theme at each paint) behind its children, and its glow through the
// nearest glow host (a LazyList's rows have one). A click in its click area
// (not taken by a child control) sends clicked().
class RoundedCard : public ClickableRow, public GlowCaster {
    Q_OBJECT
    Q_INTERFACES(tw::GlowCaster)
public:
    using Look = CardLook (*)(AppAppearance);

    explicit RoundedCard(QWidget* parent = nullptr);

    Look look() const { return m_look; }
    // Repaints only when the look changes.
    void setLook(Look look);
    // The theme's card radius.
    qreal radius() const;
    qreal keyPartRadius(int part) const override;

    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    Look m_look = &CardLook::normal;
};

} // namespace tw
