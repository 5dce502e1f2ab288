#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>

namespace tw {

// In-process replacement for du: one walk of a file or folder that never
// follows symlinks and counts hard-linked files once. A folder's own entry
// does not count, so an empty folder measures 0; folders nested deeper than
// 256 levels below p are left out.
struct DiskUsage {
    std::int64_t apparentBytes = 0;   // sum of st_size of the non-folder entries
    std::int64_t allocatedBytes = 0;  // sum of st_blocks x 512 of the same entries

    // nullopt when nothing exists at p.
    static std::optional<DiskUsage> measure(const FileSystem& fs, const QString& p);

    // The totals as du -sk prints them (whole KiB, rounded up), in bytes.
    std::int64_t apparentKiBBytes() const { return roundUpKiB(apparentBytes); }
    std::int64_t allocatedKiBBytes() const { return roundUpKiB(allocatedBytes); }

    static std::int64_t roundUpKiB(std::int64_t bytes) { return (bytes + 1023) / 1024 * 1024; }
};

} // namespace tw
