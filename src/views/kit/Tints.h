#pragma once

#include "state/Theme.h"

#include <QColor>

namespace tw {

// The colour roles of the workspaces, resolved for a theme when a view paints.
enum class Tint {
    accent,     // accentTint
    primary,    // primaryTextTint
    secondary,  // the hierarchical secondary style
    white,      // white in every theme
};

// The accent of the workspaces: midnight (0.18, 0.72, 1.0), classic
// (0.22, 0.50, 0.94), indigo (0.12, 0.56, 1.0); opaque.
QColor accentTint(AppAppearance a = AppTheme::appearance());
// Titles and main texts: (0.22, 0.22, 0.24) in classic, white otherwise.
QColor primaryTextTint(AppAppearance a = AppTheme::appearance());
// Secondary texts and symbols.
QColor secondaryTint(AppAppearance a = AppTheme::appearance());
QColor tintColour(Tint tint, AppAppearance a = AppTheme::appearance());

} // namespace tw
