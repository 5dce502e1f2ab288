#include "engine/inventory/LeftoverSearchCache.h"

#include "engine/inventory/AppScanner.h"
#include "platform/Path.h"

#include <mutex>

namespace tw {

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
const T& LeftoverSearchCache::memo(QHash<QString, std::shared_ptr<Slot<T>>>& map, const QString& key, Make make)
{
    std::shared_ptr<Slot<T>> slot;
    {
        QMutexLocker lock(&m_mutex);
        auto& s = map[key];
        if (!s)
            s = std::make_shared<Slot<T>>();
        slot = s;
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
        if (!entries)
            return l;
        l.ok = true;
        l.entries.reserve(entries->size());
        for (DirEntry& e : *entries) {
            l.byName.insert(e.name, qsizetype(l.entries.size()));
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
    const QString name = path::lastComponent(path);
    if (name.isEmpty())
        return m_fs.exists(path);
    const CachedListing& l = listing(path::parent(path));
    if (!l.ok)
        return m_fs.exists(path);
    const auto it = l.byName.constFind(name);
    if (it == l.byName.cend())
        return false;
    return l.entries[size_t(*it)].type != FileType::Symlink || m_fs.exists(path);
}

namespace {

bool isBundleName(const QString& lower)
{
    return path::extension(lower) == QLatin1String("app");
}

} // namespace

const std::vector<WalkNode>& LeftoverSearchCache::walk(const QString& folder, int depth)
{
    return memo(m_walks, folder + u'\n' + QString::number(depth), [&] {
        std::vector<WalkNode> nodes;
        std::function<void(const QString&, int)> visit = [&](const QString& dir, int remaining) {
            if (remaining < 0)
                return;
            const CachedListing& l = listing(dir);
            for (const CachedEntry& e : l.entries) {
                if (e.hidden())
                    continue;
                const size_t at = nodes.size();
                const QString child = path::join(dir, e.name);
                nodes.push_back({child, e.lower, 0});
                // Symlinked folders are never entered: they could lead anywhere.
                if (remaining > 0 && e.type == FileType::Directory && !isBundleName(e.lower))
                    visit(child, remaining - 1);
                nodes[at].end = qsizetype(nodes.size());
            }
        };
        visit(folder, depth);
        return nodes;
    });
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
                    const auto it = inside.byName.constFind(sub);
                    if (it == inside.byName.cend() || inside.entries[size_t(*it)].type != FileType::Directory)
                        continue;
                    const QString dir = path::join(b, sub);
                    for (const CachedEntry& e : listing(dir).entries)
                        if (!e.hidden())
                            items.push_back({path::join(dir, e.name), e.lower, 0});
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

std::int64_t LeftoverSearchCache::size(const QString& path)
{
    return memo(m_sizes, path, [&] { return AppScanner::quickDiskUsage(m_fs, path); });
}

} // namespace tw
