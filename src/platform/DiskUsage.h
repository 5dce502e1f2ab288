#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace tw {

// In-process replacement for du: one walk of a file or folder that never
// follows symlinks and counts hard-linked files once. A folder's own entry
// does not count, so an empty folder measures 0; folders nested deeper than
// 256 levels below p are left out. However deep, a walk holds few folders
// open at once, so a low limit of open files measures the same; walks side
// by side that exhaust it wait for one another.
struct DiskUsage {
    std::int64_t apparentBytes = 0;   // sum of st_size of the non-folder entries
    std::int64_t allocatedBytes = 0;  // sum of st_blocks x 512 of the same entries
    // False when the walk ran out of file descriptors and none came back in
    // time (descriptors::patience): the sums are then short of what is there.
    // Out of descriptors, a walk first waits for one, however long others
    // hold them while they go on.
    bool complete = true;

    // Lets the measuring walk report what it meets below one folder of p, so
    // that a search of that folder needs no walk of its own. Entries come as
    // FileSystem::walk(p + "/" + below, Hidden::Skip) gives them: pre-order,
    // children in name order, hidden entries and names that are not UTF-8
    // left out with their subtrees, symlinked folders not entered. Unlike
    // that walk, a below (or p) that is itself a link is not followed, and
    // the depth bound above holds. Reporting ends after maxEntries entries
    // (all of them counted, whether visit sees them or not); the measuring
    // goes on.
    struct Watch {
        QString below;  // the name of a folder directly inside p
        int maxEntries = 0;
        // When set, visit sees only the entries whose names end with it
        // (ASCII letters in any case).
        QByteArray nameSuffix;
        std::function<void(const QString& path, const DirEntry& entry, int depth)> visit;
    };

    // nullopt when nothing exists at p.
    static std::optional<DiskUsage> measure(const FileSystem& fs, const QString& p, const Watch* watch = nullptr);

    // The totals as du -sk prints them (whole KiB, rounded up), in bytes.
    std::int64_t apparentKiBBytes() const { return roundUpKiB(apparentBytes); }
    std::int64_t allocatedKiBBytes() const { return roundUpKiB(allocatedBytes); }

    static std::int64_t roundUpKiB(std::int64_t bytes) { return (bytes + 1023) / 1024 * 1024; }
};

} // namespace tw
