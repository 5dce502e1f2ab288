#include "views/kit/Tints.h"

namespace tw {

QColor accentTint(AppAppearance a)
{
    return AppTheme::accent(a);
}

QColor primaryTextTint(AppAppearance a)
{
    return AppTheme::primaryText(a);
}

QColor secondaryTint(AppAppearance a)
{
    return AppTheme::secondaryText(a);
}

QColor tintColour(Tint tint, AppAppearance a)
{
    switch (tint) {
    case Tint::accent: return accentTint(a);
    case Tint::primary: return primaryTextTint(a);
    case Tint::secondary: return secondaryTint(a);
    case Tint::white: return QColor(Qt::white);
    }
    return {};
}

} // namespace tw
