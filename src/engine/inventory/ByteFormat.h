#pragma once

#include <QString>

#include <cstdint>

namespace tw::byteformat {

// Decimal units: "Zero KB" below 1,000 bytes, then KB, MB and GB.
QString string(std::int64_t bytes);

} // namespace tw::byteformat
