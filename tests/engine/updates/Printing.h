#pragma once

#include "engine/updates/UpdateModels.h"
#include "support/Printers.h"

#include <ostream>

namespace tw {

// Readable row states in failure messages.
inline void PrintTo(const UpdateAvailability& a, std::ostream* os) { *os << a.describe().toStdString(); }

} // namespace tw
