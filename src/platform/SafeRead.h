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

// Opens a file below a folder as readRegularFileAt does: without blocking,
// only a regular file. The descriptor (close-on-exec), or -1.
int openRegularFileAt(int folder, const char* path);
// Reads an open file whole from its start, whatever its position, as
// readRegularFileAt reads. For files made afresh by every read from the
// start (those under /proc), which one open then serves again and again.
bool rereadFile(int fd, QByteArray& out, std::int64_t maxBytes);

} // namespace tw
