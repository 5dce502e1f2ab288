#include "views/startup/StartupIcon.h"

#include "views/kit/IconView.h"

namespace tw {

void showStartupIcon(IconView* view, const IconRef& icon, qreal symbolPoints, qreal fallbackPoints)
{
    if (icon.kind == IconRef::Kind::Symbol) {
        view->setIcon(IconRef::none());
        view->setFallback(tintedSymbol(icon.value, symbolPoints));
        return;
    }
    view->setIcon(icon);
    view->setFallback(tintedSymbol(QStringLiteral("rocket.fill"), fallbackPoints));
}

} // namespace tw
