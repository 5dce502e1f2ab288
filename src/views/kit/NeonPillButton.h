#pragma once

#include "state/AppAppearance.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonShadow.h"
#include "views/kit/SidebarGlyph.h"

#include <QAbstractButton>
#include <QImage>

namespace tw {

// One sidebar pill: the glyph and a one-line title on a capsule (the glyph
// on the leading side). It takes focus from the Tab key, shows the kit's
// focus ring then (in its glow layer, around the capsule), and Return or
// Space presses it.
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
    // The glyph's and the title's places in a pill of the given size.
    static QRectF glyphRect(QSize size, Qt::LayoutDirection direction);
    static QRectF titleRect(QSize size, Qt::LayoutDirection direction);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    // The capsule's fill and edge at a size.
    static QImage body(QSize size, bool selected, AppAppearance a, qreal dpr);

    SidebarGlyph m_glyph;
    bool m_selected;
    mutable qreal m_elidedWidth = -1;
    mutable QString m_elidedSource;
    mutable QString m_elided;
};

} // namespace tw
