#pragma once

#include <QThreadPool>

namespace tw {

// The pool every engine runs its background work on. Qt's raster painting
// hands large fills to the global pool and waits for them, so scans must not
// occupy that one.
QThreadPool& enginePool();

} // namespace tw
