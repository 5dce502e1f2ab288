#include "app/ThemeGlassBackground.h"

#include "state/SharedState.h"
#include "views/kit/NeonShapes.h"

#include <QPainter>

namespace tw {

// ---- ThemeGlassBackground -------------------------------------------------------------

ThemeGlassBackground::ThemeGlassBackground(QWidget* parent, qreal cornerRadius)
    : QWidget(parent)
    , m_radius(cornerRadius)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
    if (SharedState* state = SharedState::current()) {
        m_appearance = state->theme().appearance();
        connect(&state->theme(), &ThemeManager::appearanceChanged, this, &ThemeGlassBackground::setAppearance);
    }
}

void ThemeGlassBackground::setAppearance(AppAppearance appearance)
{
    if (m_appearance == appearance)
        return;
    m_appearance = appearance;
    update();
}

ThemeGlassBackground::Material ThemeGlassBackground::materialFor(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::midnight: return Material::hudWindow;
    case AppAppearance::classic: return Material::headerView;
    case AppAppearance::indigo: return Material::underWindowBackground;
    }
    return Material::hudWindow;
}

QColor ThemeGlassBackground::tint(Material material)
{
    switch (material) {
    case Material::hudWindow: return QColor::fromRgbF(0.07f, 0.09f, 0.13f, 0.94f);
    case Material::headerView: return QColor::fromRgbF(0.93f, 0.94f, 0.95f, 0.96f);
    case Material::underWindowBackground: return QColor::fromRgbF(0.05f, 0.06f, 0.11f, 0.92f);
    }
    return {};
}

void ThemeGlassBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Rectangles and corner pieces: a window-sized antialiased path is slow to rasterise.
    const QRectF pane(rect());
    neon::fillRoundedRect(painter, pane, m_radius, tint(material()));
    neon::strokeRoundedRectInside(painter, pane, m_radius, 1.0, AppTheme::cardStroke(m_appearance));
}

} // namespace tw
