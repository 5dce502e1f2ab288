#pragma once

#include <QString>

namespace tw {

// printf-style formatting of one number in the C locale (full stop as the
// decimal separator, ties rounded as printf rounds them), whatever the
// process locale is.
QString cFormat(const char* format, double value);

} // namespace tw
