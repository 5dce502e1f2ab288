#pragma once

#include <QByteArray>

#include <cstdint>

namespace tw {

// Reads a whole file the way every reader of untrusted disks must: opened
// without blocking (a FIFO or a device never stalls the caller), only a
// regular file, at most maxBytes. Files that report no size (those under
// /proc and /sys) are read to their end. `out` is reused: its capacity is kept
// between calls, so a reader called every second allocates nothing.
// Returns false, with `out` empty, when the file is missing, not regular,
// unreadable or larger than maxBytes.
bool readRegularFile(const char* hostPath, QByteArray& out, std::int64_t maxBytes);
// The same for a path relative to an open folder, which spares the lookup of
// the folder's own path when many files below it are read.
bool readRegularFileAt(int folder, const char* path, QByteArray& out, std::int64_t maxBytes);

} // namespace tw
