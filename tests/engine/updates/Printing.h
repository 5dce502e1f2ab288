#pragma once

#include "engine/updates/UpdateModels.h"

#include <ostream>

namespace tw {

// Readable values in failure messages.
inline void PrintTo(const UpdateAvailability& a, std::ostream* os) { *os << a.describe().toStdString(); }

} // namespace tw

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QUrl& u, std::ostream* os) { *os << u.toString().toStdString(); }
QT_END_NAMESPACE
