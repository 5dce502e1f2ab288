#include "platform/FileSystem.h"
#include "platform/SafeRead.h"

#include "platform/Path.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw {

namespace {

QString loginName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QStringLiteral("user") : user;
}

std::optional<QDateTime> fromTimespec(std::int64_t sec, std::int64_t nsec)
{
    return QDateTime::fromMSecsSinceEpoch(sec * 1000 + nsec / 1000000, Qt::UTC);
}

FileType typeOfMode(mode_t m)
{
    if (S_ISREG(m)) return FileType::Regular;
    if (S_ISDIR(m)) return FileType::Directory;
    if (S_ISLNK(m)) return FileType::Symlink;
    return FileType::Other;
}

FileType typeOfDirent(unsigned char t)
{
    switch (t) {
    case DT_REG: return FileType::Regular;
    case DT_DIR: return FileType::Directory;
    case DT_LNK: return FileType::Symlink;
    case DT_UNKNOWN: return FileType::Missing;  // caller must stat
    default: return FileType::Other;
    }
}

// Reads a folder's entries (unsorted), keeping names that decode as UTF-8.
std::optional<std::vector<std::pair<QByteArray, FileType>>> readEntries(const QByteArray& host, bool hidden)
{
    DIR* dir = ::opendir(host.constData());
    if (!dir)
        return std::nullopt;
    std::vector<std::pair<QByteArray, FileType>> out;
    const int dfd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        if (!hidden && n[0] == '.')
            continue;
        FileType t = typeOfDirent(e->d_type);
        if (t == FileType::Missing) {
            struct stat st;
            t = ::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 ? typeOfMode(st.st_mode) : FileType::Other;
        }
        out.emplace_back(QByteArray(n), t);
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

bool roundTrips(const QByteArray& name, QString& decoded)
{
    decoded = QString::fromUtf8(name);
    return decoded.toUtf8() == name;
}

} // namespace

FileSystem::FileSystem(QString hostRoot, QString home)
    : m_root(path::standardized(hostRoot.isEmpty() ? QStringLiteral("/") : hostRoot))
    , m_home(path::standardized(home))
{
    // The root as the host resolves it, so that resolved paths map back under it.
    char buf[PATH_MAX];
    if (::realpath(m_root.toUtf8().constData(), buf))
        m_root = QString::fromUtf8(buf);
    if (m_root == QLatin1String("/"))
        m_root.clear();
}

FileSystem FileSystem::fromEnvironment()
{
    const QString root = qEnvironmentVariable("TIDEWELL_ROOT");
    const QString home = qEnvironmentVariable("TIDEWELL_HOME");
    if (root.isEmpty() || path::standardized(root) == QLatin1String("/"))
        return FileSystem(QStringLiteral("/"), home.isEmpty() ? QDir::homePath() : home);
    return FileSystem(QDir(root).absolutePath(),
                      home.isEmpty() ? QStringLiteral("/Users/") + loginName() : home);
}

QByteArray FileSystem::toHost(const QString& logical) const
{
    QString p = path::standardized(logical.startsWith(u'/') ? logical : u'/' + logical);
    if (m_root.isEmpty())
        return p.toUtf8();
    return (p == QLatin1String("/") ? m_root : m_root + p).toUtf8();
}

std::optional<QString> FileSystem::fromHost(const QString& hostPath) const
{
    const QString p = path::standardized(hostPath);
    if (m_root.isEmpty())
        return p;
    if (p == m_root)
        return QStringLiteral("/");
    if (path::isInside(p, m_root))
        return p.mid(m_root.size());
    return std::nullopt;
}

bool FileSystem::exists(const QString& p) const
{
    struct stat st;
    return ::stat(toHost(p).constData(), &st) == 0;
}

bool FileSystem::existsNoFollow(const QString& p) const
{
    struct stat st;
    return ::lstat(toHost(p).constData(), &st) == 0;
}

bool FileSystem::isDirectory(const QString& p) const
{
    struct stat st;
    return ::stat(toHost(p).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileStat> FileSystem::stat(const QString& p, Links links) const
{
    struct statx sx;
    const int flags = links == Links::Follow ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::statx(AT_FDCWD, toHost(p).constData(), flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    FileStat s;
    s.type = typeOfMode(sx.stx_mode);
    s.size = static_cast<std::int64_t>(sx.stx_size);
    s.blocks = static_cast<std::int64_t>(sx.stx_blocks);
    s.uid = sx.stx_uid;
    s.mode = sx.stx_mode;
    s.nlink = sx.stx_nlink;
    s.device = (std::uint64_t(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    s.inode = sx.stx_ino;
    s.accessed = fromTimespec(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    s.modified = fromTimespec(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    s.changed = fromTimespec(sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec);
    if (sx.stx_mask & STATX_BTIME)
        s.created = fromTimespec(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    return s;
}

bool FileSystem::isReadable(const QString& p) const
{
    return ::access(toHost(p).constData(), R_OK) == 0;
}

bool FileSystem::isWritable(const QString& p) const
{
    return ::access(toHost(p).constData(), W_OK) == 0;
}

std::optional<std::vector<DirEntry>> FileSystem::list(const QString& p, Hidden hidden) const
{
    auto raw = readEntries(toHost(p), hidden == Hidden::Include);
    if (!raw)
        return std::nullopt;
    std::vector<DirEntry> out;
    out.reserve(raw->size());
    for (auto& [name, type] : *raw) {
        QString decoded;
        if (roundTrips(name, decoded))
            out.push_back({std::move(decoded), type});
    }
    return out;
}

void FileSystem::walk(const QString& p, Hidden hidden,
                      const std::function<Visit(const QString&, const DirEntry&, int)>& visit) const
{
    bool stopped = false;
    std::function<void(const QString&, int)> recurse = [&](const QString& dir, int depth) {
        const auto entries = list(dir, hidden);
        if (!entries)
            return;
        for (const DirEntry& e : *entries) {
            const QString child = path::join(dir, e.name);
            const Visit v = visit(child, e, depth);
            if (v == Visit::Stop) {
                stopped = true;
                return;
            }
            if (v == Visit::Continue && e.type == FileType::Directory) {
                recurse(child, depth + 1);
                if (stopped)
                    return;
            }
        }
    };
    recurse(path::standardized(p), 0);
}

std::optional<QByteArray> FileSystem::readFile(const QString& p, std::int64_t maxBytes) const
{
    QByteArray data;
    if (!readRegularFile(toHost(p).constData(), data, maxBytes))
        return std::nullopt;
    return data;
}

Status FileSystem::writeFileAtomic(const QString& p, const QByteArray& data) const
{
    const QByteArray target = toHost(p);
    const QString leaf = path::lastComponent(p);
    QByteArray tmpl = toHost(path::join(path::parent(p), QStringLiteral(".") + leaf + QStringLiteral(".tw-XXXXXX")));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return Error::posix(errno);
    struct stat old;
    if (::stat(target.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    auto fail = [&](int err) {
        ::unlink(tmpl.constData());
        return Error::posix(err);
    };
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            return fail(err);
        }
        written += n;
    }
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    if (::close(fd) != 0 || ::rename(tmpl.constData(), target.constData()) != 0)
        return fail(errno);
    return {};
}

Status FileSystem::rename(const QString& from, const QString& to) const
{
    const QByteArray a = toHost(from), b = toHost(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return Error::posix(errno);
    // The file system cannot refuse atomically: test first.
    struct stat st;
    if (::lstat(b.constData(), &st) == 0)
        return Error::posix(EEXIST);
    if (::rename(a.constData(), b.constData()) != 0)
        return Error::posix(errno);
    return {};
}

Status FileSystem::makeDirectories(const QString& p) const
{
    const QString s = path::standardized(p);
    if (isDirectory(s))
        return {};
    if (s != QLatin1String("/"))
        if (Status parent = makeDirectories(path::parent(s)); !parent)
            return parent;
    if (::mkdir(toHost(s).constData(), 0755) == 0)
        return {};
    const int err = errno;
    if (err == EEXIST && isDirectory(s))
        return {};  // made meanwhile by someone else
    return Error::posix(err == EEXIST ? ENOTDIR : err);
}

std::optional<QString> FileSystem::resolvingParents(const QString& p) const
{
    const QString s = path::standardized(p);
    if (s == QLatin1String("/"))
        return s;
    char buf[PATH_MAX];
    if (!::realpath(toHost(path::parent(s)).constData(), buf))
        return std::nullopt;
    const auto logicalParent = fromHost(QString::fromUtf8(buf));
    if (!logicalParent)
        return std::nullopt;
    return path::join(*logicalParent, path::lastComponent(s));
}

} // namespace tw
