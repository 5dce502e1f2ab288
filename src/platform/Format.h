#pragma once

#include <QString>

namespace tw {

// printf-style formatting of one number in the C locale (full stop as the
// decimal separator, ties rounded as printf rounds them), whatever the
// process locale is.
QString cFormat(const char* format, double value);

// Line breaks, tabs and every other control character as spaces, for a text
// shown on one line (a name from the disk may hold a line break); the value
// itself keeps them.
QString singleLine(QString text);

} // namespace tw
