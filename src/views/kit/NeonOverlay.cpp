#include "views/kit/NeonOverlay.h"

namespace tw {

NeonOverlay::NeonOverlay(QWidget* parent)
    : QWidget(parent)
{
}

bool NeonOverlay::covers(const QWidget* w)
{
    for (; w; w = w->parentWidget())
        if (qobject_cast<const NeonOverlay*>(w))
            return true;
    return false;
}

} // namespace tw
