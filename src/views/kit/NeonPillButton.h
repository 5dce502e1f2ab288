#pragma once

#include "views/kit/Glow.h"
#include "views/kit/NeonPaint.h"
#include "views/kit/SidebarGlyph.h"

#include <QAbstractButton>
#include <QImage>

namespace tw {

// One sidebar pill: the glyph and a one-line title on a capsule.
class NeonPillButton : public QAbstractButton, public GlowCaster {
    Q_OBJECT
    Q_INTERFACES(tw::GlowCaster)
public:
    NeonPillButton(const QString& title, SidebarGlyph glyph, bool selected, QWidget* parent = nullptr);

    QString title() const { return text(); }
    SidebarGlyph glyph() const { return m_glyph; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    static constexpr int pillHeight() { return 42; }
    // The title as drawn (elided to one line at the current width).
    QString shownTitle() const;
    QColor titleColour() const;
    QColor glyphColour() const;
    static QColor fillColour(bool selected, AppAppearance a);
    static QList<neon::Shadow> shadows(bool selected, AppAppearance a);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRectF titleRect() const;
    QImage body() const;

    SidebarGlyph m_glyph;
    bool m_selected;
    mutable qreal m_elidedWidth = -1;
    mutable QString m_elidedSource;
    mutable QString m_elided;
};

} // namespace tw
