#include "platform/FileSystem.h"
#include "platform/SafeRead.h"

#include "platform/DescriptorGate.h"
#include "platform/FolderEntries.h"
#include "platform/FolderHandle.h"
#include "platform/Path.h"

#include <QDir>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
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

// A logical path in standard form, made absolute.
QString absolute(const QString& logical)
{
    return path::standardized(logical.startsWith(u'/') ? logical : u'/' + logical);
}

// Writes all of data to fd, gives it mode when there is one and syncs it;
// 0, else errno.
int writeAll(int fd, const QByteArray& data, std::optional<mode_t> mode)
{
    if (mode && ::fchmod(fd, *mode) != 0)
        return errno;
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        written += n;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

// The name as text, when its bytes are UTF-8 that decodes and encodes back
// unchanged; nullopt otherwise.
std::optional<QString> decodedName(std::string_view name)
{
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(name.data(), qsizetype(name.size()));
    const QByteArrayView bytes(name.data(), qsizetype(name.size()));
    QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes)
        return std::nullopt;
    return decoded;
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
    const QString p = absolute(logical);
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
    // Out of descriptors, it waits for one rather than list nothing.
    const QByteArray host = toHost(p);
    const int dfd = descriptors::opened([&] { return ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (dfd < 0)
        return std::nullopt;
    // A read that fails part way keeps what came before, as readdir does.
    FolderEntries raw;
    readFolderEntries(dfd, raw);
    std::vector<std::pair<std::string_view, FileType>> named;
    named.reserve(raw.entries.size());
    for (const FolderEntries::Entry& e : raw.entries) {
        const char* n = raw.name(e);
        if (hidden == Hidden::Skip && n[0] == '.')
            continue;
        FileType t = typeOfDirent(e.type);
        if (t == FileType::Missing) {
            struct stat st;
            t = ::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 ? typeOfMode(st.st_mode) : FileType::Other;
        }
        named.emplace_back(std::string_view(n, e.length), t);
    }
    descriptors::close(dfd);
    // By bytes, as unsigned values; names that are not UTF-8 are left out.
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DirEntry> out;
    out.reserve(named.size());
    for (const auto& [name, type] : named)
        if (std::optional<QString> decoded = decodedName(name))
            out.push_back({std::move(*decoded), type});
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

Result<UniqueFd> FileSystem::openFolder(const QString& logical) const
{
    const QByteArray rootPath = m_root.isEmpty() ? QByteArrayLiteral("/") : m_root.toUtf8();
    const UniqueFd root(descriptors::opened([&] { return ::open(rootPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC); }));
    if (root.get() < 0)
        return Error::posix(errno);
    const QString s = absolute(logical);
    return openFolderBeneath(root.get(), s == QLatin1String("/") ? QByteArray() : s.mid(1).toUtf8());
}

Status FileSystem::writeFileAtomic(const QString& p, const QByteArray& data) const
{
    const auto [folder, leaf] = path::split(absolute(p));
    const Result<UniqueFd> dir = openFolder(folder);
    if (leaf.isEmpty() || !dir)
        return leaf.isEmpty() ? Error::posix(EINVAL) : dir.error();
    const QByteArray name = leaf.toUtf8();
    std::optional<mode_t> mode;
    struct stat old;
    if (::fstatat(dir->get(), name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        // Never through a link, and never over anything but a file.
        if (!S_ISREG(old.st_mode))
            return Error::posix(S_ISLNK(old.st_mode) ? ELOOP : EISDIR);
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Error::posix(errno);
    }
    QByteArray temporary;
    UniqueFd file;
    for (int attempt = 0; attempt < 16 && file.get() < 0; ++attempt) {
        temporary = ".tw-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        file = UniqueFd(descriptors::opened([&] {
            return ::openat(dir->get(), temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        }));
        if (file.get() < 0 && errno != EEXIST)
            return Error::posix(errno);
    }
    if (file.get() < 0)
        return Error::posix(EEXIST);
    const int err = writeAll(file.get(), data, mode);
    file = UniqueFd();
    if (err == 0 && ::renameat(dir->get(), temporary.constData(), dir->get(), name.constData()) == 0)
        return {};
    const int failure = err ? err : errno;
    ::unlinkat(dir->get(), temporary.constData(), 0);
    return Error::posix(failure);
}

Status FileSystem::rename(const QString& from, const QString& to) const
{
    const auto [fromFolder, fromLeaf] = path::split(absolute(from));
    const auto [toFolder, toLeaf] = path::split(absolute(to));
    if (fromLeaf.isEmpty() || toLeaf.isEmpty())
        return Error::posix(EINVAL);
    const Result<UniqueFd> source = openFolder(fromFolder);
    if (!source)
        return source.error();
    const Result<UniqueFd> target = openFolder(toFolder);
    if (!target)
        return target.error();
    const QByteArray a = fromLeaf.toUtf8(), b = toLeaf.toUtf8();
    if (::renameat2(source->get(), a.constData(), target->get(), b.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return Error::posix(errno);
    // The file system cannot refuse atomically: test first.
    struct stat st;
    if (::fstatat(target->get(), b.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return Error::posix(EEXIST);
    if (::renameat(source->get(), a.constData(), target->get(), b.constData()) != 0)
        return Error::posix(errno);
    return {};
}

Status FileSystem::makeDirectories(const QString& p, std::uint32_t mode) const
{
    const QString s = absolute(p);
    Result<UniqueFd> current = openFolder(QStringLiteral("/"));
    for (const QString& part : s.split(u'/', Qt::SkipEmptyParts)) {
        if (!current)
            break;
        const QByteArray name = part.toUtf8();
        if (::mkdirat(current->get(), name.constData(), mode) != 0 && errno != EEXIST)
            return Error::posix(errno);
        current = openFolderBeneath(current->get(), name);  // a link on the way fails here
    }
    if (!current)
        return current.error();
    return {};
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
