#pragma once

#include "state/AppAppearance.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonShadow.h"

#include <QImage>

namespace tw {

class ClockwiseNeonBorder;

// The sidebar's glass card with its neon edge and glow. The widget keeps
// glowRoom() around the card for the animated border's glow; place it with
// setCardGeometry. The content widget covers the card; lay children out in it.
class NeonGlassPanel : public GlowCastingWidget {
    Q_OBJECT
public:
    explicit NeonGlassPanel(QWidget* parent = nullptr);

    static constexpr int glowRoom() { return 8; }
    static constexpr qreal cornerRadius() { return 22; }
    void setCardGeometry(const QRect& card);
    QRect cardRect() const;
    QWidget* content() const { return m_content; }
    ClockwiseNeonBorder* border() const { return m_border; }

    static QList<neon::Shadow> shadows(AppAppearance a);
    // The card body (fill, sheen, edge and highlight line) at a size.
    static QImage body(QSize size, AppAppearance a, qreal dpr);

    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* m_content;
    ClockwiseNeonBorder* m_border;
};

} // namespace tw
