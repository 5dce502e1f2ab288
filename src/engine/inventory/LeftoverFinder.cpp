// The leftover finder: which files outside a bundle belong to its application.

#include "engine/inventory/LeftoverFinder.h"

#include "engine/inventory/LeftoverSearchCache.h"
#include "engine/inventory/OwnershipRules.h"
#include "engine/inventory/SafetyTest.h"
#include "engine/inventory/SearchRoots.h"
#include "platform/Collation.h"
#include "platform/Path.h"

#include <QSet>

#include <algorithm>

namespace tw::leftovers {

const QStringList& leftoverCategoryOrder()
{
    static const QStringList order{
        QStringLiteral("Application Support"), QStringLiteral("Caches"), QStringLiteral("Containers"),
        QStringLiteral("Group Containers"), QStringLiteral("Preferences"), QStringLiteral("Logs"),
        QStringLiteral("Saved State"), QStringLiteral("Launch Agents"), QStringLiteral("Launch Daemons"),
        QStringLiteral("Cookies"), QStringLiteral("Plug-Ins"), QStringLiteral("Helper Tools"),
        QStringLiteral("Receipts"), QStringLiteral("Services"), QStringLiteral("Quick Look"),
        QStringLiteral("Preference Panes"), QStringLiteral("Scripting Additions"), QStringLiteral("Input Methods"),
    };
    return order;
}

namespace {

// Folders in the home that other programs share; a name alias must never
// reach them (an application called "SSH" or "Config").
bool isSharedDotFolder(const QString& path, const QString& home)
{
    static const QStringList shared{QStringLiteral(".ssh"), QStringLiteral(".gnupg"), QStringLiteral(".config"),
                                    QStringLiteral(".local"), QStringLiteral(".cache"), QStringLiteral(".trash")};
    const qsizetype n = home.size();
    if (path.size() <= n + 2 || !path.startsWith(home) || path[n] != u'/' || path[n + 1] != u'.')
        return false;
    const QStringView leaf = QStringView(path).mid(n + 1);
    return !leaf.contains(u'/') && shared.contains(leaf, Qt::CaseInsensitive);
}

// Where the identifier's own names are looked for first, each a folder and a
// suffix for the name.
struct DirectPath {
    const char* folder;  // below the user's Library unless absolute
    const char* suffix;
    const char* label;
};
constexpr DirectPath kDirectPaths[] = {
    {"Containers", "", "Containers"},
    {"Application Scripts", "", "Application Support"},
    {"Preferences", ".plist", "Preferences"},
    {"Caches", "", "Caches"},
    {"HTTPStorages", "", "Caches"},
    {"HTTPStorages", ".binarycookies", "Caches"},
    {"WebKit", "", "Caches"},
    {"Saved Application State", ".savedState", "Saved State"},
    {"Logs", "", "Logs"},
    {"Application Support", "", "Application Support"},
    {"Cookies", ".binarycookies", "Cookies"},
    {"LaunchAgents", ".plist", "Launch Agents"},
    {"/Library/Preferences", ".plist", "Preferences"},
    {"/Library/Application Support", "", "Application Support"},
    {"/Library/LaunchDaemons", ".plist", "Launch Daemons"},
    {"/Library/LaunchAgents", ".plist", "Launch Agents"},
    {"/Library/PrivilegedHelperTools", "", "Helper Tools"},
};
constexpr size_t kDirectCount = std::size(kDirectPaths);

// An alias names one folder; anything that could walk elsewhere is dropped.
bool usableAlias(const QString& alias)
{
    return alias != QLatin1String(".") && alias != QLatin1String("..") && !alias.contains(u'/')
        && !alias.contains(QChar(0));
}

QString spotlightLabel(const QString& p)
{
    if (p.contains(QLatin1String("/C/")) || p.contains(QLatin1String("/T/"))
        || p.toLower().contains(QLatin1String("/caches/")) || p.contains(QLatin1String("HTTPStorages"))
        || p.contains(QLatin1String("WebKit")))
        return QStringLiteral("Caches");
    if (p.contains(QLatin1String("/Library/Containers")))
        return QStringLiteral("Containers");
    if (p.contains(QLatin1String("Application Support")) || p.contains(QLatin1String("Application Scripts")))
        return QStringLiteral("Application Support");
    if (p.contains(QLatin1String("Preferences")))
        return QStringLiteral("Preferences");
    if (p.contains(QLatin1String("LaunchDaemon")))
        return QStringLiteral("Launch Daemons");
    if (p.contains(QLatin1String("LaunchAgent")))
        return QStringLiteral("Launch Agents");
    return QStringLiteral("Caches");
}

class Search {
public:
    Search(const Platform& p, LeftoverSearchCache& cache, const QString& trimmedId, const QString& name,
           const std::optional<QString>& excludeAppPath)
        : p(p)
        , fs(p.fs())
        , cache(cache)
        , trimmedId(trimmedId)
        , idLower(trimmedId.toLower())
        , nameLower(name.toLower())
        , nameCompact(QString(nameLower).remove(u' '))
        , idHash(NameIndex::hash(idLower))
        , nameHash(NameIndex::hash(nameLower))
        , compactHash(NameIndex::hash(nameCompact))
        , idDot(idLower + u'.')
        , dotId(u'.' + idLower)
        , home(path::standardized(fs.home()))
        , lib(path::join(home, QStringLiteral("Library")))
    {
        if (excludeAppPath)
            exclude = path::standardized(*excludeAppPath);
    }

    std::vector<LeftoverItem> run(const QString& name, const std::optional<std::vector<SearchRoot>>& roots)
    {
        admitOwnNames(name);
        admitTemporaryItemsAndExtras(name);
        admitContainers();
        admitRootChildren(roots);
        for (const QString& hit : searchroots::spotlightExactHits(p, trimmedId))
            admit(hit, spotlightLabel(hit), Chain::Ownership);
        return finish();
    }

private:
    enum class Chain { Ownership, Basic };
    // known: the type a listing already gave for the candidate.
    void admit(const QString& candidate, const QString& label, Chain chain,
               std::optional<FileType> known = std::nullopt);
    QString ownNamesFolder(size_t i) const;
    void admitOwnNames(const QString& name);
    void admitTemporaryItemsAndExtras(const QString& name);
    void admitContainers();
    void admitRootChildren(const std::optional<std::vector<SearchRoot>>& roots);
    void admitRootChildren(const RootView& view, std::vector<qsizetype>& hits);
    std::vector<LeftoverItem> finish();

    const Platform& p;
    const FileSystem& fs;
    LeftoverSearchCache& cache;
    const QString trimmedId, idLower, nameLower, nameCompact;
    const size_t idHash, nameHash, compactHash;
    const QString idDot, dotId;
    const QString home, lib;
    std::optional<QString> exclude;
    QSet<QString> seen;
    std::vector<LeftoverItem> result;
};

void Search::admit(const QString& candidate, const QString& label, Chain chain, std::optional<FileType> known)
{
    const QString path = path::standardized(candidate);
    // Only admitted paths are remembered, so one seen before is refused
    // whatever the chain: no test needs to run again.
    if ((exclude && *exclude == path) || seen.contains(path))
        return;
    if (chain == Chain::Ownership) {
        if (!ownership::isOwnedByApp(path, idLower, nameLower, nameCompact))
            return;
    } else {
        const bool refused = ownership::withLowerCase(path, [](QStringView q) {
            return q.contains(u"/subdomainappssearcher/") || q.contains(u"/updatercache/") || q.startsWith(u"/system/");
        });
        if (refused)
            return;
    }
    if (isSharedDotFolder(path, home))
        return;
    // A missing path is never admitted, so it need not be remembered.
    const bool exists = known ? (*known != FileType::Symlink || fs.exists(path)) : cache.exists(path);
    if (!exists || !safety::isSafeToRemove(cache, path))
        return;
    seen.insert(path);
    result.push_back({path, 0, label});
}

// The folders of the identifier's own names (the direct paths) and of the
// name aliases, in that order.
QString Search::ownNamesFolder(size_t i) const
{
    if (i < kDirectCount) {
        const char* folder = kDirectPaths[i].folder;
        return folder[0] == '/' ? QString::fromLatin1(folder) : lib + u'/' + QLatin1String(folder);
    }
    const QString aliasFolders[] = {lib + QStringLiteral("/Application Support"), lib + QStringLiteral("/Caches"), home};
    return aliasFolders[i - kDirectCount];
}

// The identifier's own names and the folders named after the application;
// their folders' listings answer most existence questions without a file
// system call.
void Search::admitOwnNames(const QString& name)
{
    const std::vector<const CachedListing*>& parents = cache.listingGroup(QStringLiteral("direct\n") + home, [&] {
        QStringList folders;
        for (size_t i = 0; i < kDirectCount + 3; ++i)
            folders << ownNamesFolder(i);
        return folders;
    });
    // A name its folder's listing lacks does not exist; only names that do
    // (or folders that could not be listed) go through the admission.
    auto admitIn = [&](size_t folder, const QString& leaf, const QString& label, Chain chain) {
        const CachedListing& l = *parents[folder];
        if (!l.ok && !l.folderExists)
            return;
        std::optional<FileType> known;
        if (l.ok) {
            const CachedEntry* e = l.find(leaf);
            if (!e)
                return;
            known = e->type;
        }
        admit(path::join(ownNamesFolder(folder), leaf), label, chain, known);
    };

    for (size_t i = 0; i < kDirectCount; ++i)
        admitIn(i, trimmedId + QLatin1String(kDirectPaths[i].suffix), QLatin1String(kDirectPaths[i].label),
                Chain::Ownership);
    for (const QString& alias : ownership::leftoverNameAliases(name)) {
        if (!usableAlias(alias))
            continue;
        admitIn(kDirectCount, alias, QStringLiteral("Application Support"), Chain::Basic);
        admitIn(kDirectCount + 1, alias, QStringLiteral("Caches"), Chain::Basic);
        admitIn(kDirectCount + 2, u'.' + alias.toLower(), QStringLiteral("Application Support"), Chain::Basic);
    }
}

// The per-user temporary folders' entries and the application's known extras.
void Search::admitTemporaryItemsAndExtras(const QString& name)
{
    if (!idLower.isEmpty())
        for (const WalkNode& item : cache.temporaryItems())
            if (searchroots::namedByIdentifier(item.lower, idLower))
                admit(item.path, QStringLiteral("Caches"), Chain::Basic, item.type);
    for (const SearchRoot& extra : searchroots::knownSupportExtras(fs, trimmedId, name, lib))
        admit(extra.base, extra.label, Chain::Basic);
}

// ByHost preferences, group containers, containers. Each folder's index
// gives the few entries that could pass; they are admitted in listing order.
void Search::admitContainers()
{
    std::vector<qsizetype> hits;
    // Admits the listed entries of folder at hits that pass accepts, in listing order.
    auto admitHits = [&](const QString& folder, const QString& label, Chain chain, auto accepts) {
        NameIndex::sortUnique(hits);
        const CachedListing& listing = cache.listing(folder);
        for (const qsizetype i : hits) {
            const CachedEntry& e = listing.entries[size_t(i)];
            if (accepts(e))
                admit(path::join(folder, e.name), label, chain, e.type);
        }
        hits.clear();
    };
    const auto any = [](const CachedEntry&) { return true; };

    const QString byHost = lib + QStringLiteral("/Preferences/ByHost");
    cache.nameIndex(byHost).front(idLower, idHash, hits);
    admitHits(byHost, QStringLiteral("Preferences"), Chain::Ownership, any);

    // A group container the rule accepts has, at its start or after a dot,
    // the identifier followed by a dot or the name's end, or a dotted prefix
    // of the identifier that runs to the name's end.
    const QString groups = lib + QStringLiteral("/Group Containers");
    const NameIndex& dotted = cache.dotSuffixIndex(groups);
    dotted.dotted(idLower, idHash, hits);
    for (qsizetype dot = idLower.indexOf(u'.'); dot >= 0; dot = idLower.indexOf(u'.', dot + 1))
        if (dot > 0)
            dotted.exact(QStringView(idLower).left(dot), hits);
    admitHits(groups, QStringLiteral("Group Containers"), Chain::Basic,
              [&](const CachedEntry& e) { return ownership::groupContainerMatches(e.lower, idLower); });

    const QString containers = lib + QStringLiteral("/Containers");
    cache.nameIndex(containers).dotted(idLower, idHash, hits);
    admitHits(containers, QStringLiteral("Containers"), Chain::Ownership, any);
}

// The library folders' children, and folders named by the identifier nested
// below the cache, log and preference folders.
void Search::admitRootChildren(const std::optional<std::vector<SearchRoot>>& roots)
{
    std::vector<RootView> custom;
    if (roots)
        custom = cache.makeRootViews(*roots);
    std::vector<qsizetype> hits;
    for (const RootView& view : roots ? custom : cache.rootViews(home))
        if (view.listing->ok)
            admitRootChildren(view, hits);
}

void Search::admitRootChildren(const RootView& view, std::vector<qsizetype>& hits)
{
    const SearchRoot& root = view.root;
    const bool containerRoot =
        root.label == QLatin1String("Containers") || root.label == QLatin1String("Group Containers");
    // Only names the leaf rule could accept are looked at.
    hits.clear();
    if (!idLower.isEmpty())
        view.leafIndex->dotted(idLower, idHash, hits);
    if (!nameLower.isEmpty()) {
        view.leafIndex->exact(nameLower, nameHash, hits);
        view.leafIndex->exact(nameCompact, compactHash, hits);
    }
    NameIndex::sortUnique(hits);
    for (const qsizetype i : hits) {
        const CachedEntry& e = view.listing->entries[size_t(i)];
        if (!ownership::leafOwned(e.name, idLower, nameLower, nameCompact))
            continue;
        if (containerRoot && e.lower != idLower && !e.lower.startsWith(idDot) && !e.lower.endsWith(dotId))
            continue;
        admit(path::join(root.base, e.name), root.label, Chain::Ownership, e.type);
    }
    if (view.walk && !idLower.isEmpty())
        for (const qsizetype i : nestedBundleHits(*view.walk, *view.walkIndex, idLower)) {
            const WalkNode& n = (*view.walk)[size_t(i)];
            admit(n.path, root.label, Chain::Basic, n.type);
        }
}

// Only what survives pruning is measured; then category order, then name.
std::vector<LeftoverItem> Search::finish()
{
    std::vector<LeftoverItem> kept = pruneNestedLeftovers(std::move(result));
    for (LeftoverItem& item : kept)
        item.size = cache.size(item.path);

    const QStringList& order = leftoverCategoryOrder();
    auto rank = [&](const LeftoverItem& item) {
        const qsizetype i = order.indexOf(item.kindDescription);
        return i < 0 ? 99 : int(i);
    };
    thread_local NameOrder names;
    std::vector<std::pair<LeftoverItem, QString>> keyed;
    keyed.reserve(kept.size());
    for (LeftoverItem& item : kept) {
        QString leaf = path::lastComponent(item.path);
        keyed.emplace_back(std::move(item), std::move(leaf));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int ra = rank(a.first), rb = rank(b.first);
        if (ra != rb)
            return ra < rb;
        return names.less(a.second, b.second);
    });
    std::vector<LeftoverItem> out;
    out.reserve(keyed.size());
    for (auto& k : keyed)
        out.push_back(std::move(k.first));
    return out;
}

} // namespace

std::vector<LeftoverItem> findLeftovers(const Platform& p, const QString& bundleId, const QString& name,
                                        const std::optional<std::vector<SearchRoot>>& roots,
                                        const std::optional<QString>& excludeAppPath, LeftoverSearchCache* cache)
{
    const QString trimmedId = bundleId.trimmed();
    // No identifier, or one no bundle could carry: nothing is read.
    if (trimmedId.isEmpty() || trimmedId.contains(u'/') || trimmedId.contains(QChar(0)))
        return {};
    std::optional<LeftoverSearchCache> own;
    if (!cache)
        cache = &own.emplace(p.fs());
    return Search(p, *cache, trimmedId, name, excludeAppPath).run(name, roots);
}

std::vector<LeftoverItem> pruneNestedLeftovers(std::vector<LeftoverItem> items)
{
    std::stable_sort(items.begin(), items.end(),
                     [](const LeftoverItem& a, const LeftoverItem& b) { return a.path.size() < b.path.size(); });
    std::vector<LeftoverItem> kept;
    for (LeftoverItem& item : items) {
        const bool covered = std::any_of(kept.begin(), kept.end(), [&](const LeftoverItem& k) {
            const QString folder = k.path.endsWith(u'/') ? k.path : k.path + u'/';
            return item.path.startsWith(folder);
        });
        if (!covered)
            kept.push_back(std::move(item));
    }
    return kept;
}

} // namespace tw::leftovers
