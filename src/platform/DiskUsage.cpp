#include "platform/DiskUsage.h"

#include "platform/Path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace tw {

namespace {

// Deeper folders are not measured: each level holds one open descriptor and
// a stack frame, and a hostile tree could nest without end.
constexpr int kMaxDepth = 256;

bool isDotOrDotDot(const char* n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

FileType typeOfMode(mode_t m)
{
    if (S_ISREG(m)) return FileType::Regular;
    if (S_ISDIR(m)) return FileType::Directory;
    if (S_ISLNK(m)) return FileType::Symlink;
    return FileType::Other;
}

// The name as the file system's listings give it, when it is UTF-8 that
// survives a round trip.
std::optional<QString> decodedName(const QByteArray& raw)
{
    const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    QString name = QString::fromUtf8(raw);
    if (!ascii && name.toUtf8() != raw)
        return std::nullopt;
    return name;
}

struct Walker {
    DiskUsage totals;
    std::set<std::pair<dev_t, ino_t>> linked;
    const DiskUsage::Watch* watch = nullptr;
    QByteArray watchedName;  // watch->below in UTF-8
    QString watchedRoot;     // its logical path
    int reported = 0;

    bool watching() const { return watch && reported < watch->maxEntries; }

    void add(const struct stat& st)
    {
        if (S_ISDIR(st.st_mode))
            return;
        if (st.st_nlink > 1 && !linked.emplace(st.st_dev, st.st_ino).second)
            return;
        totals.apparentBytes += st.st_size;
        totals.allocatedBytes += std::int64_t(st.st_blocks) * 512;
    }

    // Measures the entry n of dirFd, whose status is st; a folder is walked
    // when the depth bound allows. watchedPath: the folder's logical path
    // when its entries are reported.
    void entry(int dirFd, const char* n, const struct stat& st, int depth, const QString* watchedPath = nullptr,
               int watchDepth = 0)
    {
        if (!S_ISDIR(st.st_mode)) {
            add(st);
            return;
        }
        if (depth + 1 >= kMaxDepth)
            return;
        const int child = ::openat(dirFd, n, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0)
            return;
        if (watchedPath && watching())
            walkWatched(child, depth + 1, *watchedPath, watchDepth);
        else
            walk(child, depth + 1);
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
            if (isDotOrDotDot(n))
                continue;
            struct stat st;
            if (::fstatat(dirFd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const bool watched = depth == 0 && watch && watchedName == n;
            entry(dirFd, n, st, depth, watched ? &watchedRoot : nullptr);
        }
        ::closedir(dir);
    }

    // A folder whose entries are reported, in name order. Takes ownership of dirFd.
    void walkWatched(int dirFd, int depth, const QString& logical, int watchDepth)
    {
        DIR* dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            return;
        }
        std::vector<QByteArray> names;
        while (const dirent* e = ::readdir(dir))
            if (!isDotOrDotDot(e->d_name))
                names.emplace_back(e->d_name);
        std::sort(names.begin(), names.end());
        for (const QByteArray& raw : names) {
            struct stat st;
            if (::fstatat(dirFd, raw.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            std::optional<QString> name;
            if (watching() && raw[0] != '.')
                name = decodedName(raw);
            if (!name) {
                entry(dirFd, raw.constData(), st, depth);
                continue;
            }
            const FileType type = typeOfMode(st.st_mode);
            const QString path = path::join(logical, *name);
            ++reported;
            watch->visit(path, DirEntry{*name, type}, watchDepth);
            entry(dirFd, raw.constData(), st, depth, type == FileType::Directory ? &path : nullptr, watchDepth + 1);
        }
        ::closedir(dir);
    }
};

} // namespace

std::optional<DiskUsage> DiskUsage::measure(const FileSystem& fs, const QString& p, const Watch* watch)
{
    const QByteArray host = fs.toHost(p);
    struct stat st;
    if (::lstat(host.constData(), &st) != 0)
        return std::nullopt;
    Walker w;
    if (watch && watch->visit && watch->maxEntries > 0 && !watch->below.isEmpty()) {
        w.watch = watch;
        w.watchedName = watch->below.toUtf8();
        w.watchedRoot = path::standardized(path::join(p, watch->below));
    }
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
