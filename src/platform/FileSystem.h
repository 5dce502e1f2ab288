#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tw {

class UniqueFd;

enum class FileType { Missing, Regular, Directory, Symlink, Other };

struct FileStat {
    FileType type = FileType::Missing;
    std::int64_t size = 0;      // st_size
    std::int64_t blocks = 0;    // st_blocks (512-byte units)
    std::uint32_t uid = 0;
    std::uint32_t mode = 0;
    std::uint64_t nlink = 1;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::optional<QDateTime> accessed;  // content access
    std::optional<QDateTime> modified;  // content modification
    std::optional<QDateTime> changed;   // attribute change (ctime)
    std::optional<QDateTime> created;   // birth time, where the host keeps it
};

struct DirEntry {
    QString name;
    FileType type = FileType::Other;  // the entry itself; symlinks are not followed
};

enum class Hidden { Skip, Include };
// Whether a final symlink is followed or judged itself.
enum class Links { NoFollow, Follow };

// The file system as the engines see it: Mac-style logical paths
// ("/Applications/Foo.app", "/Users/ann/Library/...") mapped under a host
// folder. ".." is resolved lexically before mapping, so no logical path can
// name anything outside the root. Every method is const and thread-safe.
class FileSystem {
public:
    // hostRoot "/" maps paths one to one. home is a logical path.
    FileSystem(QString hostRoot, QString home);

    // TIDEWELL_ROOT (default "/", with the real home) and TIDEWELL_HOME
    // (default "/Users/<login name>" under a root).
    static FileSystem fromEnvironment();

    const QString& hostRoot() const { return m_root; }
    const QString& home() const { return m_home; }
    QString library() const { return m_home + QStringLiteral("/Library"); }
    QString trash() const { return m_home + QStringLiteral("/.Trash"); }

    QByteArray toHost(const QString& logical) const;
    QString toHostString(const QString& logical) const { return QString::fromUtf8(toHost(logical)); }
    // The logical path of a host path, when it lies under the root.
    std::optional<QString> fromHost(const QString& hostPath) const;

    bool exists(const QString& p) const;           // follows symlinks
    bool existsNoFollow(const QString& p) const;   // the entry itself, dangling links included
    bool isDirectory(const QString& p) const;      // follows symlinks
    std::optional<FileStat> stat(const QString& p, Links links = Links::NoFollow) const;
    bool isReadable(const QString& p) const;
    bool isWritable(const QString& p) const;

    // Direct children sorted by name (byte order); nullopt when the folder
    // cannot be listed. Hidden entries are those whose name starts with ".".
    std::optional<std::vector<DirEntry>> list(const QString& p, Hidden hidden = Hidden::Skip) const;

    enum class Visit { Continue, SkipChildren, Stop };
    // Pre-order walk below p (p itself is not visited), children in name
    // order, never following symlinked folders. depth is 0 for p's children.
    void walk(const QString& p, Hidden hidden,
              const std::function<Visit(const QString& path, const DirEntry& entry, int depth)>& visit) const;

    std::optional<QByteArray> readFile(const QString& p, std::int64_t maxBytes = 64 << 20) const;
    // The writes below open the folders they act in beneath the root without
    // following any link (a link on the way fails with ELOOP), so the path
    // acted on is the one the caller named; resolve links first with
    // resolvingParents. Failures are POSIX errors.

    // Writes through a temporary file in the same folder and a rename. Never
    // writes through a link, nor over anything but a regular file.
    Status writeFileAtomic(const QString& p, const QByteArray& data) const;
    // Never overwrites: an existing target fails with EEXIST.
    Status rename(const QString& from, const QString& to) const;
    // Missing folders are made with mode.
    Status makeDirectories(const QString& p, std::uint32_t mode = 0755) const;

    // The path with its parent folders resolved through symlinks (the last
    // component is kept as it is). nullopt when the parent cannot be resolved
    // or resolves outside the root.
    std::optional<QString> resolvingParents(const QString& p) const;

private:
    Result<UniqueFd> openFolder(const QString& logical) const;

    QString m_root;     // host folder without trailing slash, "" for "/"
    QString m_home;
};

} // namespace tw
