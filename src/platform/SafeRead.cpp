#include "platform/SafeRead.h"

#include "platform/DescriptorGate.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {

namespace {

struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            descriptors::close(fd);
    }
};

} // namespace

bool readRegularFile(const char* hostPath, QByteArray& out, std::int64_t maxBytes)
{
    return readRegularFileAt(AT_FDCWD, hostPath, out, maxBytes);
}

int openRegularFileAt(int folder, const char* path)
{
    const int fd = descriptors::opened([&] { return ::openat(folder, path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); });
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

namespace {

// Reads to the end, from the file position or (positional) from offset 0,
// into room for sizeHint and one byte more; at most maxBytes.
bool readToEnd(int fd, QByteArray& out, std::int64_t maxBytes, std::int64_t sizeHint, bool positional)
{
    // Room for the reported size and one byte more, so that the end is
    // normally seen without growing; never more than maxBytes + 1, the byte
    // that tells a file too large.
    const std::int64_t limit = maxBytes + 1;
    out.resize(qsizetype(std::min<std::int64_t>(std::max<std::int64_t>(sizeHint, 4095) + 1, limit)));
    qsizetype used = 0;
    for (;;) {
        if (used == out.size()) {
            if (used >= limit) {
                out.resize(0);
                return false;
            }
            out.resize(qsizetype(std::min<std::int64_t>(std::int64_t(out.size()) * 2, limit)));
        }
        const size_t room = size_t(out.size() - used);
        const ssize_t n = positional ? ::pread(fd, out.data() + used, room, off_t(used))
                                     : ::read(fd, out.data() + used, room);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.resize(0);
            return false;
        }
        if (n == 0)
            break;
        used += n;
    }
    if (used > maxBytes) {
        out.resize(0);
        return false;
    }
    out.resize(used);
    return true;
}

} // namespace

bool readRegularFileAt(int folder, const char* path, QByteArray& out, std::int64_t maxBytes)
{
    out.resize(0);
    // Out of descriptors, it waits for one rather than read nothing.
    const Fd file{descriptors::opened([&] { return ::openat(folder, path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); })};
    if (file.fd < 0)
        return false;
    struct stat st;
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes)
        return false;
    return readToEnd(file.fd, out, maxBytes, st.st_size, false);
}

bool rereadFile(int fd, QByteArray& out, std::int64_t maxBytes)
{
    out.resize(0);
    return readToEnd(fd, out, maxBytes, 0, true);
}

} // namespace tw
