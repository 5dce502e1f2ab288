#pragma once

#include "app/WindowChrome.h"
#include "state/AppAppearance.h"

#include <QWidget>

namespace tw {

// The translucent backdrop of the main window: a rounded glass pane whose
// material follows the theme. Children sit on top of it.
class ThemeGlassBackground : public QWidget {
    Q_OBJECT
public:
    // The backdrop materials of the three themes.
    enum class Material { hudWindow, headerView, underWindowBackground };

    explicit ThemeGlassBackground(QWidget* parent = nullptr, qreal cornerRadius = WindowChrome::defaultCornerRadius);

    AppAppearance appearance() const { return m_appearance; }
    void setAppearance(AppAppearance appearance);
    Material material() const { return materialFor(m_appearance); }
    bool isDarkAppearance() const { return isDark(m_appearance); }

    static Material materialFor(AppAppearance appearance);
    // The pane's fill for a material.
    static QColor tint(Material material);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AppAppearance m_appearance = AppAppearance::midnight;
    qreal m_radius;
};

} // namespace tw
