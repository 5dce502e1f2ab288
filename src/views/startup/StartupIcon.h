#pragma once

#include "platform/Icon.h"

namespace tw {

class IconView;

// Shows a startup item's icon in view: a named symbol (the engine gives
// launchd jobs one) drawn in accentTint at symbolPoints, an image as it is,
// and for none the accent rocket at fallbackPoints.
void showStartupIcon(IconView* view, const IconRef& icon, qreal symbolPoints, qreal fallbackPoints);

} // namespace tw
