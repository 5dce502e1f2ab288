#include "platform/FolderEntries.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>

namespace tw {

bool readFolderEntries(int fd, FolderEntries& out)
{
    alignas(alignof(dirent64)) char buffer[16384];
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* d = reinterpret_cast<const dirent64*>(buffer + at);
            at += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            const size_t length = std::strlen(name);
            out.entries.push_back({out.names.size(), length, d->d_type});
            out.names.append(name, length + 1);
        }
    }
}

} // namespace tw
