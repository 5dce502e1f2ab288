#include "state/Colour.h"

#include <algorithm>

namespace tw {

QColor rgb(double r, double g, double b, double opacity)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(opacity));
}

QColor faded(QColor color, double factor)
{
    color.setAlphaF(float(std::clamp(color.alphaF() * factor, 0.0, 1.0)));
    return color;
}

} // namespace tw
