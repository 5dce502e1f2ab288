#pragma once

// What the leftover searches read from disk, read once: folder listings,
// nested walks, resolved folders and measured sizes. One cache serves one
// search, or every search of one prefetch. Thread-safe.

#include "platform/FileSystem.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

struct CachedEntry {
    QString name;
    QString lower;  // the name in lower case
    FileType type = FileType::Other;
    bool hidden() const { return name.startsWith(u'.'); }
};

struct CachedListing {
    bool ok = false;                   // false: the folder could not be listed
    std::vector<CachedEntry> entries;  // hidden entries included, in name order
    QHash<QString, qsizetype> byName;
};

// One entry a nested walk may reach, in walk order. end is the index just
// past the entry's own subtree.
struct WalkNode {
    QString path;
    QString lower;
    qsizetype end = 0;
};

// A folder with every link in it resolved.
struct ResolvedFolder {
    enum class State { Missing, Outside, Resolved } state = State::Missing;
    QString path;
};

class LeftoverSearchCache {
public:
    explicit LeftoverSearchCache(const FileSystem& fs);
    ~LeftoverSearchCache();
    LeftoverSearchCache(const LeftoverSearchCache&) = delete;
    LeftoverSearchCache& operator=(const LeftoverSearchCache&) = delete;

    const FileSystem& fs() const { return m_fs; }

    const CachedListing& listing(const QString& folder);
    // Whether something exists at path, following a final link (a dangling
    // link does not count).
    bool exists(const QString& path);
    // The entries below folder a nested walk of the given depth visits: never
    // into symlinked folders or application bundles, hidden entries skipped.
    const std::vector<WalkNode>& walk(const QString& folder, int depth);
    // Every entry of the per-user temporary folders' C and T folders.
    const std::vector<WalkNode>& temporaryItems();
    ResolvedFolder resolveFolder(const QString& folder);
    // The home folder as written and, when it lies behind a link, resolved.
    const QStringList& homeSpellings();
    std::int64_t size(const QString& path);

    // How many times a folder was read from disk (tests and benchmarks).
    int timesListed(const QString& folder) const;

private:
    template <typename T>
    struct Slot;
    template <typename T, typename Make>
    const T& memo(QHash<QString, std::shared_ptr<Slot<T>>>& map, const QString& key, Make make);

    const FileSystem& m_fs;
    mutable QMutex m_mutex;
    QHash<QString, std::shared_ptr<Slot<CachedListing>>> m_listings;
    QHash<QString, std::shared_ptr<Slot<std::vector<WalkNode>>>> m_walks;
    QHash<QString, std::shared_ptr<Slot<ResolvedFolder>>> m_resolved;
    QHash<QString, std::shared_ptr<Slot<std::int64_t>>> m_sizes;
    QHash<QString, std::shared_ptr<Slot<QStringList>>> m_homes;
    QHash<QString, int> m_listCounts;
};

// A name shaped like a bundle identifier (com.example.app): three or more
// dotted words and no space. Such a name ending in ".app" names a container
// or a cache as often as a bundle.
bool identifierShapedName(const QString& leaf);

// The safety test with the cache's resolved folders.
bool isSafeToRemoveCached(LeftoverSearchCache& cache, const QString& path);

// The special locations read through the cache (see the AppScanner
// operations of the same names).
QStringList varFolderEntriesCached(LeftoverSearchCache& cache, const QString& bundleIdLower);
QStringList nestedBundleFoldersCached(LeftoverSearchCache& cache, const QString& folder,
                                      const QString& bundleIdLower, int depth);

} // namespace tw
