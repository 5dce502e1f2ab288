// Leftover-size prefetch and privacy permission count.

#include "engine/inventory/AppScanner.h"

namespace tw {

// Filled in with the leftover finder; until then a discovery publishes the
// applications without their leftovers.
void AppScanner::prefetchLeftoverSizes(const QList<AppInfoPtr>&)
{
}

} // namespace tw
