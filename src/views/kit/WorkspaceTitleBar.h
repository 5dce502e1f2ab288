#pragma once

#include "state/AppAppearance.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonShadow.h"

#include <QImage>

namespace tw {

class ClockwiseNeonBorder;

// A workspace's title bar: the title on a glowing gradient bar with an
// animated edge. The widget keeps glowRoom() around the bar; place it with
// setBarGeometry. It takes no clicks (they move the window).
class WorkspaceTitleBar : public GlowCastingWidget {
    Q_OBJECT
public:
    explicit WorkspaceTitleBar(const QString& title, QWidget* parent = nullptr);

    static constexpr int glowRoom() { return 8; }
    QString title() const { return m_title; }
    void setBarGeometry(const QRect& bar);
    QRect barRect() const;
    // The bar's height: the title's line and 12 points above and below.
    static int barHeight();
    ClockwiseNeonBorder* border() const { return m_border; }

    static QColor titleColour(AppAppearance a);
    // The bar's top-to-bottom gradient colours.
    static QList<QColor> barFill(AppAppearance a);
    static QList<neon::Shadow> shadows(AppAppearance a);

    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage body() const;

    QString m_title;
    ClockwiseNeonBorder* m_border;
};

} // namespace tw
