#pragma once

// What the leftover searches read from disk, read once: folder listings,
// nested walks, resolved folders and measured sizes. One cache serves one
// search, or every search of one prefetch. Thread-safe.

#include "engine/inventory/SearchRoot.h"
#include "platform/FileSystem.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tw::safety {
struct Rules;
}

namespace tw {

struct CachedEntry {
    QString name;
    QString lower;  // the name in lower case
    FileType type = FileType::Other;
    bool hidden() const { return name.startsWith(u'.'); }
};

struct CachedListing {
    bool ok = false;                   // false: the folder could not be listed
    bool folderExists = true;          // when not ok: whether the folder itself exists
    std::vector<CachedEntry> entries;  // hidden entries included, in name order (by code point)

    // The entry with this name, or null.
    const CachedEntry* find(QStringView name) const;
};

// One entry a nested walk may reach, in walk order. end is the index just
// past the entry's own subtree.
struct WalkNode {
    QString path;
    QString lower;
    qsizetype end = 0;
    FileType type = FileType::Other;
};

// Names of the non-hidden entries of a listing (or of the nodes of a walk),
// for lookups by equality: each text (an entry may have several) is kept
// whole, by each part before a dot and, with suffixes, by each part after a
// dot (a.b.c: whole a.b.c; front a, a.b; back b.c, c), all by their hashes.
struct NameIndex {
    enum class Kind : quint8 { Whole, Front, Back };
    struct Key {
        size_t hash;
        QStringView text;  // points into texts
        qsizetype owner;   // the entry's index
        Kind kind;
    };
    std::vector<QString> texts;
    std::vector<Key> keys;  // by hash
    // Where the keys whose hashes start with each value of the top
    // directoryBits bits begin; one more at the end.
    std::vector<quint32> directory;
    int directoryBits = 0;

    // A lookup key's hash, computed once for any number of indexes.
    static size_t hash(QStringView key);
    // Entries with a text equal to key.
    void exact(QStringView key, size_t keyHash, std::vector<qsizetype>& out) const;
    void exact(QStringView key, std::vector<qsizetype>& out) const { exact(key, hash(key), out); }
    // Entries with a text that starts with key and a dot.
    void front(QStringView key, size_t keyHash, std::vector<qsizetype>& out) const;
    // Entries with a text equal to key, starting with key and a dot, or
    // (with suffixes) ending with a dot and key.
    void dotted(QStringView key, size_t keyHash, std::vector<qsizetype>& out) const;
    void dotted(QStringView key, std::vector<qsizetype>& out) const { dotted(key, hash(key), out); }
    static void sortUnique(std::vector<qsizetype>& out);

    size_t slotOf(size_t keyHash) const
    {
        return directoryBits == 0 ? 0 : size_t(quint64(keyHash) >> (64 - directoryBits));
    }

private:
    template <typename Accept>
    void find(QStringView key, size_t keyHash, Accept accept, std::vector<qsizetype>& out) const;
};

// A search root with what the searches need of it, looked up once.
struct RootView {
    SearchRoot root;
    const CachedListing* listing = nullptr;
    const NameIndex* leafIndex = nullptr;
    const std::vector<WalkNode>* walk = nullptr;  // for the walked labels only
    const NameIndex* walkIndex = nullptr;
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
    // For the leaf rule: every non-hidden entry of the folder whose name the
    // rule could give to an identifier or a name used as key.
    const NameIndex& leafIndex(const QString& folder);
    // For names that equal an identifier or start with it and a dot: every
    // node of the walk, by its name and by each dotted prefix of it.
    const NameIndex& walkIndex(const QString& folder, int depth);
    // Every non-hidden entry of the folder by its name in lower case.
    const NameIndex& nameIndex(const QString& folder);
    // Every non-hidden entry of the folder by its name in lower case and by
    // each part of that name that follows a dot (a.b.c: a.b.c, b.c, c), with
    // the front parts of each.
    const NameIndex& dotSuffixIndex(const QString& folder);
    // The listings of a fixed group of folders, looked up once per key.
    const std::vector<const CachedListing*>& listingGroup(const QString& key,
                                                           const std::function<QStringList()>& folders);
    // Reads and indexes, ahead of the searches and in parallel on the
    // engine pool, what every search of the home folder needs.
    void prepare(const QString& home);
    // The default search roots of a home folder, looked up once per cache.
    const std::vector<RootView>& rootViews(const QString& home);
    std::vector<RootView> makeRootViews(const std::vector<SearchRoot>& roots);
    // Every entry of the per-user temporary folders' C and T folders.
    const std::vector<WalkNode>& temporaryItems();
    ResolvedFolder resolveFolder(const QString& folder);
    // The home folder as written and, when it lies behind a link, resolved.
    const QStringList& homeSpellings();
    const safety::Rules& safetyRules();
    std::int64_t size(const QString& path);

    // How many times a folder was read from disk (tests and benchmarks).
    int timesListed(const QString& folder) const;

private:
    template <typename T>
    struct Slot;
    // Values by key, spread over several locks so that parallel searches
    // rarely wait for each other.
    template <typename T>
    struct Memo {
        static constexpr size_t kShards = 16;
        QMutex locks[kShards];
        QHash<QString, std::shared_ptr<Slot<T>>> maps[kShards];
    };
    template <typename T, typename Make>
    const T& memo(Memo<T>& map, const QString& key, Make make);

    const FileSystem& m_fs;
    mutable QMutex m_mutex;  // m_listCounts
    Memo<CachedListing> m_listings;
    Memo<std::vector<WalkNode>> m_walks;
    Memo<NameIndex> m_indexes;
    Memo<std::vector<RootView>> m_rootViews;
    Memo<std::vector<const CachedListing*>> m_groups;
    Memo<ResolvedFolder> m_resolved;
    Memo<std::int64_t> m_sizes;
    Memo<QStringList> m_homes;
    Memo<safety::Rules> m_rules;
    QHash<QString, int> m_listCounts;
};

// The walk nodes a nested walk reports, in walk order.
std::vector<qsizetype> nestedBundleHits(const std::vector<WalkNode>& nodes, const NameIndex& index,
                                        const QString& bundleIdLower);

} // namespace tw
