#include "platform/DiskUsage.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <utility>

namespace tw {

namespace {

// Deeper folders are not measured: each level holds one open descriptor and
// a stack frame, and a hostile tree could nest without end.
constexpr int kMaxDepth = 256;

struct Walker {
    DiskUsage totals;
    std::set<std::pair<dev_t, ino_t>> linked;

    void add(const struct stat& st)
    {
        if (S_ISDIR(st.st_mode))
            return;
        if (st.st_nlink > 1 && !linked.emplace(st.st_dev, st.st_ino).second)
            return;
        totals.apparentBytes += st.st_size;
        totals.allocatedBytes += std::int64_t(st.st_blocks) * 512;
    }

    // Takes ownership of dirFd.
    void walk(int dirFd, int depth = 0)
    {
        DIR* dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            return;
        }
        while (const dirent* e = ::readdir(dir)) {
            const char* n = e->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            struct stat st;
            if (::fstatat(dirFd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                if (depth + 1 >= kMaxDepth)
                    continue;
                const int child = ::openat(dirFd, n, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child >= 0)
                    walk(child, depth + 1);
            } else {
                add(st);
            }
        }
        ::closedir(dir);
    }
};

} // namespace

std::optional<DiskUsage> DiskUsage::measure(const FileSystem& fs, const QString& p)
{
    const QByteArray host = fs.toHost(p);
    struct stat st;
    if (::lstat(host.constData(), &st) != 0)
        return std::nullopt;
    Walker w;
    if (S_ISDIR(st.st_mode)) {
        const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
            w.walk(fd);
    } else {
        w.add(st);
    }
    return w.totals;
}

} // namespace tw
