#pragma once

#include "state/AppAppearance.h"
#include "views/kit/Glow.h"

#include <QAbstractButton>

#include <functional>

namespace tw {

// One card of the theme grid: a miniature of the theme, its name and
// description, and whether it is the current theme. The card's own colours
// follow the current theme; the miniature always shows its own.
class ThemePreviewCard : public QAbstractButton, public GlowCaster {
    Q_OBJECT
    Q_INTERFACES(tw::GlowCaster)
public:
    ThemePreviewCard(AppAppearance appearance, bool selected, std::function<void()> action,
                     QWidget* parent = nullptr);

    AppAppearance appearance() const { return m_appearance; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // "checkmark.circle.fill" when selected, else "circle".
    QString symbolName() const;
    QColor symbolColour() const;

    static constexpr int swatchHeight() { return 120; }
    // The miniature of a theme, painted into rect.
    static void paintSwatch(QPainter& p, const QRectF& rect, AppAppearance shown);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    void paintGlow(QPainter& p) override;
    QMargins glowExtent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int descriptionHeight(int width) const;

    AppAppearance m_appearance;
    bool m_selected;
};

} // namespace tw
