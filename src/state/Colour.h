#pragma once

#include <QColor>

namespace tw {

// An sRGB colour from 0..1 components.
QColor rgb(double r, double g, double b, double opacity = 1.0);
// The colour with its opacity multiplied by factor.
QColor faded(QColor color, double factor);

} // namespace tw
