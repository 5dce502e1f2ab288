#include "engine/inventory/LeftoverSearchCache.h"

#include "engine/inventory/DiskSizes.h"
#include "engine/inventory/OwnershipRules.h"
#include "engine/inventory/SafetyTest.h"
#include "engine/inventory/SearchRoots.h"
#include "platform/Path.h"
#include "platform/ThreadPool.h"

#include <algorithm>
#include <mutex>

namespace tw {

namespace {

// UTF-16 text in code point order, the order of its UTF-8 bytes.
int compareCodePoints(QStringView a, QStringView b)
{
    auto rank = [](char16_t c) { return c < 0xD800 ? c : c >= 0xE000 ? char16_t(c - 0x800) : char16_t(c + 0x2000); };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x != y)
            return rank(x) < rank(y) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

const CachedEntry* CachedListing::find(QStringView name) const
{
    // The listing comes sorted by the names' UTF-8 bytes.
    const auto it = std::lower_bound(entries.begin(), entries.end(), name, [](const CachedEntry& e, QStringView n) {
        return compareCodePoints(e.name, n) < 0;
    });
    return it != entries.end() && it->name == name ? &*it : nullptr;
}

template <typename T>
struct LeftoverSearchCache::Slot {
    std::once_flag once;
    T value{};
};

LeftoverSearchCache::LeftoverSearchCache(const FileSystem& fs)
    : m_fs(fs)
{
}

LeftoverSearchCache::~LeftoverSearchCache() = default;

template <typename T, typename Make>
const T& LeftoverSearchCache::memo(Memo<T>& map, const QString& key, Make make)
{
    const size_t shard = qHash(key) % Memo<T>::kShards;
    Slot<T>* slot;
    {
        QMutexLocker lock(&map.locks[shard]);
        auto& s = map.maps[shard][key];
        if (!s)
            s = std::make_shared<Slot<T>>();
        slot = s.get();
    }
    // Slots are never dropped, so the value outlives this call.
    std::call_once(slot->once, [&] { slot->value = make(); });
    return slot->value;
}

const CachedListing& LeftoverSearchCache::listing(const QString& folder)
{
    return memo(m_listings, folder, [&] {
        {
            QMutexLocker lock(&m_mutex);
            ++m_listCounts[folder];
        }
        CachedListing l;
        auto entries = m_fs.list(folder, Hidden::Include);
        if (!entries) {
            l.folderExists = m_fs.exists(folder);
            return l;
        }
        l.ok = true;
        l.entries.reserve(entries->size());
        for (DirEntry& e : *entries) {
            QString lower = e.name.toLower();
            l.entries.push_back({std::move(e.name), std::move(lower), e.type});
        }
        return l;
    });
}

int LeftoverSearchCache::timesListed(const QString& folder) const
{
    QMutexLocker lock(&m_mutex);
    return m_listCounts.value(folder);
}

bool LeftoverSearchCache::exists(const QString& path)
{
    const auto [parent, name] = path::split(path::standardized(path));
    if (name.isEmpty() || parent.isEmpty())
        return m_fs.exists(path);
    const CachedListing& l = listing(parent);
    if (!l.ok)
        return l.folderExists && m_fs.exists(path);
    const CachedEntry* e = l.find(name);
    if (!e)
        return false;
    return e->type != FileType::Symlink || m_fs.exists(path);
}

const std::vector<WalkNode>& LeftoverSearchCache::walk(const QString& folder, int depth)
{
    return memo(m_walks, folder + u'\n' + QString::number(depth), [&] {
        std::vector<WalkNode> nodes;
        if (depth < 0)
            return nodes;
        for (const CachedEntry& e : listing(folder).entries) {
            if (e.hidden())
                continue;
            const size_t at = nodes.size();
            const QString child = path::join(folder, e.name);
            nodes.push_back({child, e.lower, 0, e.type});
            // Symlinked folders are never entered: they could lead anywhere.
            if (depth > 0 && e.type == FileType::Directory && !path::isAppBundle(e.lower)) {
                const std::vector<WalkNode>& below = walk(child, depth - 1);
                const qsizetype offset = qsizetype(nodes.size());
                for (const WalkNode& n : below)
                    nodes.push_back({n.path, n.lower, n.end + offset, n.type});
            }
            nodes[at].end = qsizetype(nodes.size());
        }
        return nodes;
    });
}

void LeftoverSearchCache::prepare(const QString& home)
{
    const std::vector<SearchRoot> roots = searchroots::searchRoots(home);
    // The roots' own listings first; then, at the same time, their indexes
    // and the subfolders the nested walks enter; then the walks themselves.
    parallelFor(roots.size() + 1, [&](size_t i) {
        if (i < roots.size())
            listing(roots[i].base);
        else
            temporaryItems();
    });
    std::vector<std::function<void()>> tasks;
    const QString lib = path::join(home, QStringLiteral("Library"));
    tasks.emplace_back([this, lib] { nameIndex(lib + QStringLiteral("/Preferences/ByHost")); });
    tasks.emplace_back([this, lib] { nameIndex(lib + QStringLiteral("/Containers")); });
    tasks.emplace_back([this, lib] { dotSuffixIndex(lib + QStringLiteral("/Group Containers")); });
    for (const SearchRoot& root : roots) {
        tasks.emplace_back([this, base = root.base] { leafIndex(base); });
        if (!searchroots::isWalkedLabel(root.label))
            continue;
        for (const CachedEntry& e : listing(root.base).entries)
            if (!e.hidden() && e.type == FileType::Directory && !path::isAppBundle(e.lower))
                tasks.emplace_back([this, child = path::join(root.base, e.name)] { walk(child, 1); });
    }
    parallelFor(tasks.size(), [&](size_t i) { tasks[i](); });
    parallelFor(roots.size(), [&](size_t i) {
        if (searchroots::isWalkedLabel(roots[i].label))
            walkIndex(roots[i].base, 2);
    });
    rootViews(home);
}

namespace {

bool hashLess(const NameIndex::Key& a, const NameIndex::Key& b)
{
    return a.hash < b.hash;
}

// Builds the keys once every text is in place.
NameIndex makeIndex(std::vector<QString> texts, const std::vector<qsizetype>& owners, bool withSuffixes)
{
    using Kind = NameIndex::Kind;
    NameIndex index;
    index.texts = std::move(texts);
    auto add = [&](QStringView text, qsizetype owner, Kind kind) {
        index.keys.push_back({NameIndex::hash(text), text, owner, kind});
    };
    for (size_t i = 0; i < index.texts.size(); ++i) {
        const QStringView t(index.texts[i]);
        add(t, owners[i], Kind::Whole);
        for (qsizetype dot = t.indexOf(u'.'); dot >= 0; dot = t.indexOf(u'.', dot + 1)) {
            if (dot > 0)
                add(t.left(dot), owners[i], Kind::Front);
            if (withSuffixes && dot + 1 < t.size())
                add(t.mid(dot + 1), owners[i], Kind::Back);
        }
    }
    std::sort(index.keys.begin(), index.keys.end(), hashLess);
    // About one key per directory slot: a lookup reads one slot pair and
    // the few keys it points at, instead of a binary search over all.
    while (index.directoryBits < 20 && (size_t(1) << index.directoryBits) < index.keys.size())
        ++index.directoryBits;
    const size_t slotCount = size_t(1) << index.directoryBits;
    index.directory.assign(slotCount + 1, 0);
    size_t k = 0;
    for (size_t slot = 0; slot <= slotCount; ++slot) {
        while (k < index.keys.size() && index.slotOf(index.keys[k].hash) < slot)
            ++k;
        index.directory[slot] = quint32(k);
    }
    return index;
}

} // namespace

size_t NameIndex::hash(QStringView key)
{
    return qHash(key, size_t(0));
}

template <typename Accept>
void NameIndex::find(QStringView key, size_t keyHash, Accept accept, std::vector<qsizetype>& out) const
{
    if (keys.empty())
        return;
    const size_t slot = slotOf(keyHash);
    const auto end = keys.begin() + directory[slot + 1];
    auto it = std::lower_bound(keys.begin() + directory[slot], end, Key{keyHash, {}, 0, Kind::Whole}, hashLess);
    for (; it != end && it->hash == keyHash; ++it)
        if (accept(it->kind) && it->text == key)
            out.push_back(it->owner);
}

void NameIndex::exact(QStringView key, size_t keyHash, std::vector<qsizetype>& out) const
{
    find(key, keyHash, [](Kind k) { return k == Kind::Whole; }, out);
}

void NameIndex::front(QStringView key, size_t keyHash, std::vector<qsizetype>& out) const
{
    find(key, keyHash, [](Kind k) { return k == Kind::Front; }, out);
}

void NameIndex::dotted(QStringView key, size_t keyHash, std::vector<qsizetype>& out) const
{
    find(key, keyHash, [](Kind) { return true; }, out);
}

void NameIndex::sortUnique(std::vector<qsizetype>& out)
{
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

const NameIndex& LeftoverSearchCache::leafIndex(const QString& folder)
{
    return memo(m_indexes, QStringLiteral("leaf\n") + folder, [&] {
        const CachedListing& l = listing(folder);
        std::vector<QString> forms;
        std::vector<qsizetype> owners;
        for (qsizetype i = 0; i < qsizetype(l.entries.size()); ++i) {
            if (l.entries[size_t(i)].hidden())
                continue;
            for (QString& form : ownership::leafForms(l.entries[size_t(i)].name)) {
                forms.push_back(std::move(form));
                owners.push_back(i);
            }
        }
        return makeIndex(std::move(forms), owners, true);
    });
}

const NameIndex& LeftoverSearchCache::walkIndex(const QString& folder, int depth)
{
    return memo(m_indexes, QStringLiteral("walk\n%1\n").arg(depth) + folder, [&] {
        const std::vector<WalkNode>& nodes = walk(folder, depth);
        std::vector<QString> names;
        std::vector<qsizetype> owners;
        names.reserve(nodes.size());
        for (qsizetype i = 0; i < qsizetype(nodes.size()); ++i) {
            names.push_back(nodes[size_t(i)].lower);
            owners.push_back(i);
        }
        return makeIndex(std::move(names), owners, false);
    });
}

const NameIndex& LeftoverSearchCache::nameIndex(const QString& folder)
{
    return memo(m_indexes, QStringLiteral("name\n") + folder, [&] {
        const CachedListing& l = listing(folder);
        std::vector<QString> names;
        std::vector<qsizetype> owners;
        for (qsizetype i = 0; i < qsizetype(l.entries.size()); ++i) {
            if (l.entries[size_t(i)].hidden())
                continue;
            names.push_back(l.entries[size_t(i)].lower);
            owners.push_back(i);
        }
        return makeIndex(std::move(names), owners, false);
    });
}

const NameIndex& LeftoverSearchCache::dotSuffixIndex(const QString& folder)
{
    return memo(m_indexes, QStringLiteral("dots\n") + folder, [&] {
        const CachedListing& l = listing(folder);
        std::vector<QString> suffixes;
        std::vector<qsizetype> owners;
        for (qsizetype i = 0; i < qsizetype(l.entries.size()); ++i) {
            const CachedEntry& e = l.entries[size_t(i)];
            if (e.hidden())
                continue;
            suffixes.push_back(e.lower);
            owners.push_back(i);
            for (qsizetype dot = e.lower.indexOf(u'.'); dot >= 0 && dot + 1 < e.lower.size();
                 dot = e.lower.indexOf(u'.', dot + 1)) {
                suffixes.push_back(e.lower.mid(dot + 1));
                owners.push_back(i);
            }
        }
        return makeIndex(std::move(suffixes), owners, false);
    });
}

std::vector<RootView> LeftoverSearchCache::makeRootViews(const std::vector<SearchRoot>& roots)
{
    std::vector<RootView> views;
    views.reserve(roots.size());
    for (const SearchRoot& root : roots) {
        RootView v{root, &listing(root.base), &leafIndex(root.base)};
        if (searchroots::isWalkedLabel(root.label)) {
            v.walk = &walk(root.base, 2);
            v.walkIndex = &walkIndex(root.base, 2);
        }
        views.push_back(std::move(v));
    }
    return views;
}

const std::vector<const CachedListing*>& LeftoverSearchCache::listingGroup(
    const QString& key, const std::function<QStringList()>& folders)
{
    return memo(m_groups, key, [&] {
        std::vector<const CachedListing*> out;
        for (const QString& folder : folders())
            out.push_back(&listing(folder));
        return out;
    });
}

const std::vector<RootView>& LeftoverSearchCache::rootViews(const QString& home)
{
    return memo(m_rootViews, home, [&] { return makeRootViews(searchroots::searchRoots(home)); });
}

const std::vector<WalkNode>& LeftoverSearchCache::temporaryItems()
{
    return memo(m_walks, QStringLiteral("\ntemporary"), [&] {
        std::vector<WalkNode> items;
        auto subfolders = [&](const QString& dir) {
            QStringList out;
            for (const CachedEntry& e : listing(dir).entries)
                if (!e.hidden() && e.type == FileType::Directory)
                    out << path::join(dir, e.name);
            return out;
        };
        for (const QString& a : subfolders(QStringLiteral("/private/var/folders")))
            for (const QString& b : subfolders(a)) {
                const CachedListing& inside = listing(b);
                for (const QString& sub : {QStringLiteral("C"), QStringLiteral("T")}) {
                    const CachedEntry* e = inside.find(sub);
                    if (!e || e->type != FileType::Directory)
                        continue;
                    const QString dir = path::join(b, sub);
                    for (const CachedEntry& e : listing(dir).entries)
                        if (!e.hidden())
                            items.push_back({path::join(dir, e.name), e.lower, 0, e.type});
                }
            }
        return items;
    });
}

ResolvedFolder LeftoverSearchCache::resolveFolder(const QString& folder)
{
    return memo(m_resolved, folder, [&] {
        if (!m_fs.exists(folder))
            return ResolvedFolder{ResolvedFolder::State::Missing, {}};
        const auto probe = m_fs.resolvingParents(path::join(folder, QStringLiteral("probe")));
        if (!probe)
            return ResolvedFolder{ResolvedFolder::State::Outside, {}};
        return ResolvedFolder{ResolvedFolder::State::Resolved, path::parent(*probe)};
    });
}

const QStringList& LeftoverSearchCache::homeSpellings()
{
    return memo(m_homes, QString(), [&] {
        const QString home = path::standardized(m_fs.home());
        QStringList homes{home};
        const ResolvedFolder r = resolveFolder(home);
        if (r.state == ResolvedFolder::State::Resolved && r.path != home)
            homes << r.path;
        return homes;
    });
}

const safety::Rules& LeftoverSearchCache::safetyRules()
{
    return memo(m_rules, QString(), [&] { return safety::makeRules(homeSpellings()); });
}

std::int64_t LeftoverSearchCache::size(const QString& path)
{
    return memo(m_sizes, path, [&] { return sizes::quickDiskUsage(m_fs, path); });
}

std::vector<qsizetype> nestedBundleHits(const std::vector<WalkNode>& nodes, const NameIndex& index,
                                        const QString& bundleIdLower)
{
    std::vector<qsizetype> hits, out;
    if (bundleIdLower.isEmpty())
        return out;
    index.dotted(bundleIdLower, hits);
    NameIndex::sortUnique(hits);
    qsizetype searchedFrom = 0;  // a hit's subtree is not searched
    for (const qsizetype i : hits) {
        const WalkNode& n = nodes[size_t(i)];
        if (i < searchedFrom || !searchroots::namedByIdentifier(n.lower, bundleIdLower))
            continue;
        out.push_back(i);
        searchedFrom = n.end;
    }
    return out;
}

} // namespace tw
