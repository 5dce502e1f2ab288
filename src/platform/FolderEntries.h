#pragma once

// A folder's entries read straight with getdents64: no directory stream, so
// no status call and no buffer on the heap for each folder read.

#include <string>
#include <vector>

namespace tw {

struct FolderEntries {
    struct Entry {
        size_t offset;       // of the name in names
        size_t length;       // of the name, without its NUL
        unsigned char type;  // the d_type the kernel gave (DT_UNKNOWN possible)
    };
    std::string names;  // each name followed by a NUL
    std::vector<Entry> entries;

    const char* name(const Entry& e) const { return names.data() + e.offset; }
    void clear()
    {
        names.clear();
        entries.clear();
    }
};

// Appends the entries of the open folder fd, "." and ".." left out, in the
// order the kernel gives them. False when a read fails; what was read before
// stays.
bool readFolderEntries(int fd, FolderEntries& out);

} // namespace tw
