#include "platform/DiskUsage.h"

#include "platform/DescriptorGate.h"
#include "platform/FolderEntries.h"
#include "platform/Path.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw {

namespace {

// Deeper folders are not measured: each level holds a stack frame and a
// buffer of names, and a hostile tree could nest without end.
constexpr int kMaxDepth = 256;
// Folders one walk holds open at most, its top included. Deeper, it closes
// the shallowest and opens it again when it comes back to it, so that a
// deep tree measures the same under a low limit of open files, and walks
// side by side leave descriptors for everything else.
constexpr int kHeldFolders = 16;
constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Folders opened again are not read, only looked up in.
constexpr int kReopenFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

FileType typeOfMode(mode_t m)
{
    if (S_ISREG(m)) return FileType::Regular;
    if (S_ISDIR(m)) return FileType::Directory;
    if (S_ISLNK(m)) return FileType::Symlink;
    return FileType::Other;
}

// Whether the name comes back unchanged from UTF-8 text, as the file
// system's listings require.
bool roundTripsUtf8(std::string_view raw)
{
    if (std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return true;
    const QByteArray bytes(raw.data(), qsizetype(raw.size()));
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

bool endsWithNoCase(std::string_view name, const QByteArray& suffix)
{
    if (name.size() < size_t(suffix.size()))
        return false;
    // Letters of either case agree once bit 5 is set; most names fail here.
    if (!suffix.isEmpty() && (name.back() | 0x20) != (suffix.back() | 0x20))
        return false;
    return qstrnicmp(name.data() + name.size() - size_t(suffix.size()), suffix.constData(), size_t(suffix.size())) == 0;
}

// The folders from the top of a walk down to the one it is in, and which
// of them it holds open. A folder closed to make room is opened again from
// the nearest one still open above it, one name at a time, never through a
// link, and only when it is the very folder it was (its device and inode,
// taken as it was closed): a folder moved or swapped meanwhile is not
// entered again, and the rest of it goes uncounted. Out of descriptors, it
// holds only the top and the folder it is in and tries again; then it holds
// nothing and waits for one (DescriptorGate.h), opening the top again by
// its path. When none comes back in time, the walk is starved and ends.
class FolderChain {
public:
    // depth 0: the top, at hostPath (which outlives the walk), held for the
    // whole walk but while it waits for a descriptor.
    void start(int fd, const char* hostPath)
    {
        m_levels.assign(1, Level{fd});
        m_held = 1;
        m_topPath = hostPath;
    }

    // The folder n of the one at depth, opened for reading as depth + 1;
    // -1 when it cannot be.
    int open(int depth, const char* n)
    {
        if (at(depth) < 0)
            return -1;
        const int fd = openIn(depth, n, kOpenFlags);
        if (fd < 0)
            return -1;
        m_levels.push_back(Level{fd, n});
        ++m_held;
        return fd;
    }

    // Leaves the deepest folder (closing it), or the top at the end.
    void close()
    {
        if (m_levels.back().fd >= 0) {
            descriptors::close(m_levels.back().fd);
            --m_held;
        }
        m_levels.pop_back();
    }

    // The folder at depth, opened again when it was closed; -1 when it
    // cannot be had as it was.
    int at(int depth)
    {
        if (m_levels[size_t(depth)].fd >= 0)
            return m_levels[size_t(depth)].fd;
        if (m_levels[size_t(depth)].lost || m_levels[0].fd < 0)
            return -1;  // lost, or the walk starved (the top is held otherwise)
        int from = depth - 1;
        while (m_levels[size_t(from)].fd < 0)
            --from;
        for (int k = from + 1; k <= depth; ++k) {
            if (!reopen(k)) {
                lose(k, depth);
                return -1;
            }
        }
        return m_levels[size_t(depth)].fd;
    }

    // Whether it ran out of descriptors for good: what it had not walked
    // then goes uncounted.
    bool starved() const { return m_starved; }

private:
    struct Level {
        int fd = -1;
        const char* name = nullptr;  // in its parent's entries, which outlive it
        dev_t dev = 0;
        ino_t ino = 0;  // 0: none taken, which matches no folder
        bool lost = false;
    };

    // The folder at k, opened again in the one above it, which is open.
    bool reopen(int k)
    {
        const int fd = openIn(k - 1, m_levels[size_t(k)].name, kReopenFlags);
        return fd >= 0 && take(k, fd);
    }

    // Holds fd as the folder at k when it is the very folder k was.
    bool take(int k, int fd)
    {
        Level& level = m_levels[size_t(k)];
        struct stat st;
        if (::fstat(fd, &st) != 0 || st.st_dev != level.dev || st.st_ino != level.ino) {
            ::close(fd);
            return false;
        }
        level.fd = fd;
        ++m_held;
        return true;
    }

    void lose(int from, int to)
    {
        for (int k = from; k <= to; ++k)
            m_levels[size_t(k)].lost = true;
    }

    // openat in the folder at depth, which is open and stays so, with room
    // made for one more. Out of descriptors (many walks, a low limit), it
    // holds no more than needed and tries again, then waits for one.
    int openIn(int depth, const char* n, int flags)
    {
        if (m_held >= kHeldFolders)
            release(depth, kHeldFolders - 1);
        int fd = ::openat(m_levels[size_t(depth)].fd, n, flags);
        if (fd >= 0 || !descriptors::exhausted(errno))
            return fd;
        if (release(depth, 2)) {
            fd = ::openat(m_levels[size_t(depth)].fd, n, flags);
            if (fd >= 0 || !descriptors::exhausted(errno))
                return fd;
        }
        descriptors::Wait wait;
        for (;;) {
            release(-1, 0);
            if (!wait.next()) {
                m_starved = true;
                return -1;
            }
            const Resumed resumed = resume(depth);
            if (resumed == Resumed::Lost)
                return -1;
            if (resumed == Resumed::Short)
                continue;
            fd = ::openat(m_levels[size_t(depth)].fd, n, flags);
            if (fd >= 0 || !descriptors::exhausted(errno))
                return fd;
        }
    }

    enum class Resumed { Done, Short, Lost };

    // After a wait: the top and the folder at depth held again, each as the
    // very folder it was.
    Resumed resume(int depth)
    {
        const int top = ::open(m_topPath, kReopenFlags);
        if (top < 0)
            return descriptors::exhausted(errno) ? Resumed::Short : lost(0, depth);
        if (!take(0, top))
            return lost(0, depth);
        for (int k = 1; k <= depth; ++k) {
            const int fd = ::openat(m_levels[size_t(k - 1)].fd, m_levels[size_t(k)].name, kReopenFlags);
            if (fd < 0)
                return descriptors::exhausted(errno) ? Resumed::Short : lost(k, depth);
            if (!take(k, fd))
                return lost(k, depth);
            if (k > 1)
                release(k, 2);  // the one above, all but the top
        }
        return Resumed::Done;
    }

    Resumed lost(int from, int to)
    {
        lose(from, to);
        return Resumed::Lost;
    }

    // Closes the shallowest folders held, but keep, until at most limit are
    // held (the top too when limit is 0, to wait for a descriptor); whether
    // any was closed.
    bool release(int keep, int limit)
    {
        bool released = false;
        for (size_t k = limit == 0 ? 0 : 1; k < m_levels.size() && m_held > limit; ++k) {
            Level& level = m_levels[k];
            if (level.fd < 0 || int(k) == keep)
                continue;
            struct stat st;
            const bool known = ::fstat(level.fd, &st) == 0;
            level.dev = known ? st.st_dev : 0;
            level.ino = known ? st.st_ino : 0;
            ::close(level.fd);  // no folder walked to its end: no progress
            level.fd = -1;
            --m_held;
            released = true;
        }
        return released;
    }

    std::vector<Level> m_levels;  // by depth
    int m_held = 0;
    const char* m_topPath = nullptr;
    bool m_starved = false;
};

struct Walker {
    DiskUsage totals;
    std::set<std::pair<dev_t, ino_t>> linked;
    const DiskUsage::Watch* watch = nullptr;
    std::deque<FolderEntries> levels;  // by depth; a deque keeps them in place as it grows
    FolderChain chain;
    QByteArray watchedName;  // watch->below in UTF-8
    QByteArray watchedRoot;  // its logical path in UTF-8
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

    // Walks the folder n of the folder at depth when the depth bound allows
    // (a folder's own entry counts nothing, so a folder named as one by its
    // listing needs no status of its own). watchedPath: the folder's
    // logical path when its entries are reported.
    void folder(int depth, const char* n, QByteArray* watchedPath = nullptr, int watchDepth = 0)
    {
        if (depth + 1 >= kMaxDepth || chain.open(depth, n) < 0)
            return;
        if (watchedPath && watching())
            walkWatched(depth + 1, *watchedPath, watchDepth);
        else
            walk(depth + 1);
        chain.close();
    }

    // The entries of the folder just opened at depth. Each level reads its
    // folder whole into a buffer of its own, kept for the next folder at
    // that level.
    FolderEntries& read(int depth)
    {
        while (levels.size() <= size_t(depth))
            levels.emplace_back();
        FolderEntries& level = levels[size_t(depth)];
        level.clear();
        readFolderEntries(chain.at(depth), level);
        return level;
    }

    // The folder just opened at depth. Files first: then only the
    // subfolders still need the folder open.
    void walk(int depth)
    {
        FolderEntries& level = read(depth);
        const int dirFd = chain.at(depth);
        for (FolderEntries::Entry& e : level.entries) {
            if (e.type == DT_DIR)
                continue;
            struct stat st;
            if (::fstatat(dirFd, level.name(e), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(st.st_mode))
                e.type = DT_DIR;  // walked with the others below
            else
                add(st);
        }
        for (const FolderEntries::Entry& e : level.entries) {
            if (e.type != DT_DIR)
                continue;
            if (chain.at(depth) < 0)
                return;
            const char* n = level.name(e);
            const bool watched = depth == 0 && watch && watchedName == n;
            folder(depth, n, watched ? &watchedRoot : nullptr);
        }
    }

    // The folder just opened at depth, its entries reported in name order;
    // logical holds its logical path in UTF-8.
    void walkWatched(int depth, QByteArray& logical, int watchDepth)
    {
        FolderEntries& level = read(depth);
        auto view = [&](const FolderEntries::Entry& e) { return std::string_view(level.name(e), e.length); };
        // Name order decides which entries visit sees and which are reported
        // before the limit. A folder with no possible folder inside and no
        // name visit would see counts the same in any order.
        const bool ordered = std::any_of(level.entries.begin(), level.entries.end(), [&](const FolderEntries::Entry& e) {
            return e.type == DT_DIR || e.type == DT_UNKNOWN || watch->nameSuffix.isEmpty()
                || endsWithNoCase(view(e), watch->nameSuffix);
        });
        if (ordered)
            std::sort(level.entries.begin(), level.entries.end(),
                      [&](const FolderEntries::Entry& a, const FolderEntries::Entry& b) { return view(a) < view(b); });
        for (const FolderEntries::Entry& span : level.entries) {
            const int dirFd = chain.at(depth);
            if (dirFd < 0)
                return;
            const std::string_view name = view(span);
            const char* n = name.data();
            const bool isFolder = span.type == DT_DIR;  // as the listing says
            struct stat st;
            if (!isFolder && ::fstatat(dirFd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const bool reports = watching() && name[0] != '.' && roundTripsUtf8(name);
            const FileType type = isFolder ? FileType::Directory : typeOfMode(st.st_mode);
            const bool visits = reports && (watch->nameSuffix.isEmpty() || endsWithNoCase(name, watch->nameSuffix));
            const bool descends = reports && type == FileType::Directory;
            // The logical path grows only for an entry reported or walked as watched.
            const qsizetype parentLength = logical.size();
            if (visits || descends)
                logical.append('/').append(name.data(), qsizetype(name.size()));
            if (reports)
                ++reported;
            if (visits)
                watch->visit(QString::fromUtf8(logical), DirEntry{QString::fromUtf8(name.data(), qsizetype(name.size())), type},
                             watchDepth);
            QByteArray* inside = descends ? &logical : nullptr;
            if (type == FileType::Directory)
                folder(depth, n, inside, watchDepth + 1);
            else
                add(st);
            if (visits || descends)
                logical.truncate(parentLength);
        }
    }
};

} // namespace

std::optional<DiskUsage> DiskUsage::measure(const FileSystem& fs, const QString& p, const Watch* watch)
{
    const QByteArray host = fs.toHost(p);
    // The per-depth buffers outlive the walk and serve the thread's next
    // one, unless a huge folder grew them; a walk started from inside
    // another starts with none.
    thread_local std::deque<FolderEntries> spare;
    Walker w;
    w.levels.swap(spare);
    struct GiveBack {
        Walker& w;
        ~GiveBack()
        {
            for (FolderEntries& level : w.levels)
                if (level.names.capacity() > (size_t(1) << 20))
                    level = FolderEntries();
            spare.swap(w.levels);
        }
    } giveBack{w};
    if (watch && watch->visit && watch->maxEntries > 0 && !watch->below.isEmpty()) {
        w.watch = watch;
        w.watchedName = watch->below.toUtf8();
        w.watchedRoot = path::standardized(path::join(p, watch->below)).toUtf8();
    }
    // A folder is opened at once; anything else (a link included) is taken
    // by its own status. One lookup of the path for a folder, not two.
    // Out of descriptors, the open fails whatever p is: a folder waits for one.
    int fd = ::open(host.constData(), kOpenFlags);
    struct stat st;
    if (fd < 0 && descriptors::exhausted(errno)) {
        if (::lstat(host.constData(), &st) != 0)
            return std::nullopt;
        if (!S_ISDIR(st.st_mode)) {
            w.add(st);
            return w.totals;
        }
        fd = descriptors::opened([&] { return ::open(host.constData(), kOpenFlags); });
        if (fd < 0 && descriptors::exhausted(errno)) {
            w.totals.complete = false;
            return w.totals;
        }
    }
    if (fd >= 0) {
        w.chain.start(fd, host.constData());
        w.walk(0);
        w.chain.close();
        w.totals.complete = !w.chain.starved();
        return w.totals;
    }
    if (::lstat(host.constData(), &st) != 0)
        return std::nullopt;
    w.add(st);  // counts nothing for a folder that could not be opened
    return w.totals;
}

} // namespace tw
