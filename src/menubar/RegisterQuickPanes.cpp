#include "menubar/QuickPanes.h"

namespace tw {

void registerQuickPanes()
{
}

} // namespace tw
