#pragma once

#include <QString>

#include <cstdint>

namespace tw {

// The monitor's texts for byte counts, capacities and rates. Memory counts
// in powers of 1024, everything else in powers of 1000; numbers are rounded
// as printf rounds them.
namespace monitorformat {

QString memory(std::uint64_t bytes);
QString disk(std::uint64_t bytes);
QString storageCapacity(std::uint64_t bytes);  // snaps to half terabytes from 0.95 TB
// Rounded to whole bytes; NaN and negative rates read 0, rates beyond the
// largest count read as that count.
QString perSecond(double bytesPerSecond);

} // namespace monitorformat

// "Up 5m", "Up 3h 12m", "Up 11d 13h"; NaN and negatives read as 0 seconds.
QString uptimeText(double seconds);

} // namespace tw
