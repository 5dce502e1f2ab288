#pragma once

// The sizes the lists show, each 0 when nothing can be measured.

#include "platform/DiskUsage.h"

#include <cstdint>

namespace tw::sizes {

// The apparent size in whole KiB, as du -sk prints it, in bytes. watch, when
// given, sees the entries of one folder inside path as the walk meets them.
std::int64_t quickDiskUsage(const FileSystem& fs, const QString& path, const DiskUsage::Watch* watch = nullptr);
// The allocated size in whole KiB, in bytes.
std::int64_t allocatedDiskUsage(const FileSystem& fs, const QString& path);
// The sum of the regular files' sizes, the first 80,000 entries at most.
std::int64_t directorySize(const FileSystem& fs, const QString& path);

} // namespace tw::sizes
