#include "platform/DiskUsage.h"

#include "platform/FolderEntries.h"
#include "platform/Path.h"

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

// Deeper folders are not measured: each level holds one open descriptor and
// a stack frame, and a hostile tree could nest without end.
constexpr int kMaxDepth = 256;

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

struct Walker {
    DiskUsage totals;
    std::set<std::pair<dev_t, ino_t>> linked;
    const DiskUsage::Watch* watch = nullptr;
    std::deque<FolderEntries> levels;  // by depth; a deque keeps them in place as it grows
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

    // Measures the entry n of dirFd, whose status is st; a folder is walked
    // when the depth bound allows. watchedPath: the folder's logical path
    // when its entries are reported.
    void entry(int dirFd, const char* n, const struct stat& st, int depth, QByteArray* watchedPath = nullptr,
               int watchDepth = 0)
    {
        if (!S_ISDIR(st.st_mode)) {
            add(st);
            return;
        }
        folder(dirFd, n, depth, watchedPath, watchDepth);
    }

    // Walks the folder n of dirFd (a folder's own entry counts nothing, so
    // a folder named as one by its listing needs no status of its own).
    void folder(int dirFd, const char* n, int depth, QByteArray* watchedPath = nullptr, int watchDepth = 0)
    {
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

    // Takes ownership of dirFd. Each level reads its folder whole into a
    // buffer of its own, kept for the next folder at that level.
    void walk(int dirFd, int depth = 0)
    {
        while (levels.size() <= size_t(depth))
            levels.emplace_back();
        FolderEntries& level = levels[size_t(depth)];
        level.clear();
        readFolderEntries(dirFd, level);
        for (const FolderEntries::Entry& e : level.entries) {
            const char* n = level.name(e);
            const bool watched = depth == 0 && watch && watchedName == n;
            if (e.type == DT_DIR) {
                folder(dirFd, n, depth, watched ? &watchedRoot : nullptr);
                continue;
            }
            struct stat st;
            if (::fstatat(dirFd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            entry(dirFd, n, st, depth, watched ? &watchedRoot : nullptr);
        }
        ::close(dirFd);
    }

    // A folder whose entries are reported, in name order; logical holds its
    // logical path in UTF-8. Takes ownership of dirFd.
    void walkWatched(int dirFd, int depth, QByteArray& logical, int watchDepth)
    {
        while (levels.size() <= size_t(depth))
            levels.emplace_back();
        FolderEntries& level = levels[size_t(depth)];
        level.clear();
        readFolderEntries(dirFd, level);
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
            if (isFolder)
                folder(dirFd, n, depth, inside, watchDepth + 1);
            else
                entry(dirFd, n, st, depth, inside, watchDepth + 1);
            if (visits || descends)
                logical.truncate(parentLength);
        }
        ::close(dirFd);
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
    const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        w.walk(fd);
        return w.totals;
    }
    struct stat st;
    if (::lstat(host.constData(), &st) != 0)
        return std::nullopt;
    w.add(st);  // counts nothing for a folder that could not be opened
    return w.totals;
}

} // namespace tw
