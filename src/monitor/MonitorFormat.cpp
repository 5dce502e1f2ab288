#include "monitor/MonitorFormat.h"

#include "platform/Format.h"

#include <cmath>
#include <limits>

namespace tw {

namespace {

// A non-negative whole count from a double: NaN and negatives give 0, values
// beyond the type give its largest value.
std::uint64_t clampedCount(double value)
{
    constexpr double beyond = 18446744073709551616.0;  // 2^64
    if (!(value > 0))
        return 0;
    if (value >= beyond)
        return std::numeric_limits<std::uint64_t>::max();
    return std::uint64_t(value);
}

} // namespace

QString monitorformat::memory(std::uint64_t bytes)
{
    if (bytes <= 1023)
        return QString::number(bytes) + QStringLiteral(" bytes");
    if (bytes <= 1073741823)
        return cFormat("%.1f MB", double(bytes) / 1048576.0);
    return cFormat("%.2f GB", double(bytes) / 1073741824.0);
}

QString monitorformat::disk(std::uint64_t bytes)
{
    if (bytes <= 999)
        return QString::number(bytes) + QStringLiteral(" bytes");
    if (bytes <= 999999)
        return cFormat("%.0f KB", double(bytes) / 1e3);
    if (bytes <= 999999999)
        return cFormat("%.1f MB", double(bytes) / 1e6);
    return cFormat("%.2f GB", double(bytes) / 1e9);
}

QString monitorformat::storageCapacity(std::uint64_t bytes)
{
    if (bytes == 0)
        return QStringLiteral("\u2014");
    if (const double terabytes = double(bytes) / 1e12; terabytes >= 0.95) {
        const double halves = std::round(2 * terabytes) / 2;  // std::round: halves away from zero
        return cFormat(halves == std::floor(halves) ? "%.0f TB" : "%.1f TB", halves);
    }
    if (const double gigabytes = double(bytes) / 1e9; gigabytes >= 1.0)
        return cFormat("%.2f GB", gigabytes);
    return disk(bytes);
}

QString monitorformat::perSecond(double bytesPerSecond)
{
    return disk(clampedCount(std::round(bytesPerSecond))) + QStringLiteral("/s");
}

QString uptimeText(double seconds)
{
    const std::uint64_t s = clampedCount(std::trunc(seconds));
    const std::uint64_t days = s / 86400, hours = s % 86400 / 3600, minutes = s % 3600 / 60;
    if (s < 3600)
        return QStringLiteral("Up %1m").arg(minutes);
    if (s < 86400)
        return QStringLiteral("Up %1h %2m").arg(hours).arg(minutes);
    return QStringLiteral("Up %1d %2h").arg(days).arg(hours);
}

} // namespace tw
