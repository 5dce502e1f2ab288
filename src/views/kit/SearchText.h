#pragma once

#include <QString>

namespace tw {

// Whether field holds the search text as typed, ignoring letter case and
// how accented letters are composed; an empty text matches everything.
bool searchMatches(const QString& field, const QString& search);

} // namespace tw
