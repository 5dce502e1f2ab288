// Application discovery: the application folders, their bundles and groups.

#include "engine/inventory/Discovery.h"

#include "engine/inventory/AppRecord.h"
#include "engine/inventory/DiskSizes.h"
#include "platform/Collation.h"
#include "platform/DiskUsage.h"
#include "platform/Path.h"
#include "platform/ThreadPool.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace tw::discovery {

namespace {

// Updaters nested inside a bundle that are listed as applications of their
// own: a bundle whose name holds leafWord, below a path that holds pathWord
// (anywhere when empty).
struct NestedAppRule {
    QLatin1String leafWord;
    QLatin1String pathWord;
};
constexpr NestedAppRule kNestedApps[] = {
    {QLatin1String("googleupdater"), QLatin1String("")},
    {QLatin1String("updater"), QLatin1String("/Google")},
};
// Development tools hold sample applications that are never listed.
constexpr QLatin1String kNestedExcluded[] = {QLatin1String("/Developer/Platforms/"), QLatin1String("/Xcode.app/")};

// Applications of one maker that lie apart are listed as one group.
struct FamilyRule {
    QLatin1String nameWord;
    QLatin1String groupName;
};
constexpr FamilyRule kFamilies[] = {{QLatin1String("adguard"), QLatin1String("AdGuard Group")}};

// Application folders of a language runtime: the group shows only the members
// whose names hold memberWord (all of them when none does), stays a group
// with a single member, and counts the runtime's framework in its size.
struct RuntimeFolderRule {
    QLatin1String folderWord;
    QLatin1String memberWord;
    QLatin1String framework;
};
constexpr RuntimeFolderRule kRuntimeFolders[] = {
    {QLatin1String("python"), QLatin1String("idle"), QLatin1String("/Library/Frameworks/Python.framework")},
};

const RuntimeFolderRule* runtimeFolder(const QString& lowerName)
{
    for (const RuntimeFolderRule& rule : kRuntimeFolders)
        if (lowerName.contains(rule.folderWord))
            return &rule;
    return nullptr;
}

// Collects the notable nested applications among the entries of a bundle's
// Contents, in walk order, from whichever walk meets them.
class NestedAppSearch {
public:
    // The search stops after this many entries of Contents.
    static constexpr int kMaxEntries = 4000;

    NestedAppSearch()
    {
        m_watch.below = QStringLiteral("Contents");
        m_watch.maxEntries = kMaxEntries;
        m_watch.nameSuffix = QByteArrayLiteral(".app");
        m_watch.visit = [this](const QString& p, const DirEntry& e, int) { visit(p, e); };
    }
    NestedAppSearch(const NestedAppSearch&) = delete;
    NestedAppSearch& operator=(const NestedAppSearch&) = delete;

    const DiskUsage::Watch& watch() const { return m_watch; }
    const QStringList& found() const { return m_found; }

private:
    void visit(const QString& p, const DirEntry& e)
    {
        if (!path::isAppBundle(e.name))
            return;
        const QString leaf = e.name.toLower();
        const bool qualifies = std::any_of(std::begin(kNestedApps), std::end(kNestedApps), [&](const NestedAppRule& r) {
            return leaf.contains(r.leafWord) && (r.pathWord.isEmpty() || p.contains(r.pathWord));
        });
        const bool excluded = std::any_of(std::begin(kNestedExcluded), std::end(kNestedExcluded),
                                          [&](QLatin1String folder) { return p.contains(folder); });
        if (qualifies && !excluded)
            m_found << p;
    }

    DiskUsage::Watch m_watch;
    QStringList m_found;
};

void sortByName(std::vector<AppDraft>& list)
{
    NameOrder().stableSort(list, [](const AppDraft& d) -> const QString& { return d.fields.name; });
}

std::optional<QDateTime> latestDate(const std::vector<AppDraft>& members)
{
    std::optional<QDateTime> latest;
    for (const AppDraft& m : members)
        if (m.fields.lastUsed && (!latest || *m.fields.lastUsed > *latest))
            latest = m.fields.lastUsed;
    return latest;
}

// Stage 2: every distinct bundle built, and every folder measured, once.
// Only bundles lying directly in an application folder are searched for
// nested updaters.
class Builds {
public:
    explicit Builds(const std::vector<ListedEntry>& listed)
    {
        for (const ListedEntry& e : listed) {
            if (!e.isFolder) {
                add(e.path, Kind::TopBundle);
                continue;
            }
            for (const QString& app : e.folderApps)
                add(app, Kind::FolderBundle);
            add(e.path, Kind::FolderSize);
        }
    }

    void run(const Platform& p)
    {
        // Discovery itself may run on the engine pool: parallelFor never waits
        // for a pool thread it could be occupying.
        m_built.resize(m_jobs.size());
        parallelFor(m_jobs.size(), [&](size_t i) { build(p, m_jobs[i], m_built[i]); });
    }

    struct Built {
        AppDraft draft;
        std::vector<AppDraft> nested;
        std::int64_t folderSize = 0;
    };
    const Built& bundle(const QString& path) const { return m_built[m_bundleJobs.value(path)]; }
    std::int64_t folderSize(const QString& path) const { return m_built[m_folderJobs.value(path)].folderSize; }

private:
    enum class Kind { FolderBundle, TopBundle, FolderSize };
    struct Job {
        QString path;
        Kind kind;
    };

    void add(const QString& path, Kind kind)
    {
        QHash<QString, size_t>& index = kind == Kind::FolderSize ? m_folderJobs : m_bundleJobs;
        if (const auto it = index.constFind(path); it != index.cend()) {
            m_jobs[*it].kind = std::max(m_jobs[*it].kind, kind);  // a top-level finding also searches nested apps
            return;
        }
        index.insert(path, m_jobs.size());
        m_jobs.push_back({path, kind});
    }

    static void build(const Platform& p, const Job& job, Built& out)
    {
        if (job.kind == Kind::FolderSize) {
            out.folderSize = sizes::quickDiskUsage(p.fs(), job.path);
            return;
        }
        if (job.kind == Kind::FolderBundle) {
            out.draft = record::buildAppInfo(p, job.path, record::Sizing::Quick);
            return;
        }
        // One walk of a top-level bundle both sizes it and finds its nested updaters.
        NestedAppSearch search;
        out.draft = record::buildAppInfo(p, job.path, record::Sizing::Quick, &search.watch());
        for (const QString& nested : search.found())
            out.nested.push_back(record::buildAppInfo(p, nested, record::Sizing::Quick));
    }

    std::vector<Job> m_jobs;
    QHash<QString, size_t> m_bundleJobs, m_folderJobs;
    std::vector<Built> m_built;
};

// The group of a folder's accepted applications, or its lone application.
std::optional<AppDraft> folderEntry(const FileSystem& fs, const QString& folder, std::vector<AppDraft> apps,
                                    std::int64_t folderSize)
{
    if (apps.empty())
        return std::nullopt;
    const QString folderName = path::lastComponent(folder);
    const RuntimeFolderRule* runtime = runtimeFolder(folderName.toLower());
    if (runtime) {
        std::vector<AppDraft> chosen;
        for (const AppDraft& a : apps)
            if (a.fields.name.toLower().contains(runtime->memberWord))
                chosen.push_back(a);
        if (!chosen.empty())
            apps = std::move(chosen);
    } else if (apps.size() == 1) {
        return std::move(apps.front());
    }

    std::int64_t memberSum = 0;
    for (const AppDraft& a : apps)
        memberSum += a.fields.appSize;
    std::int64_t size = std::max(memberSum, folderSize);
    if (runtime && fs.exists(runtime->framework))
        size = std::max(size, sizes::quickDiskUsage(fs, runtime->framework) + folderSize);
    // Only a lone member of a runtime folder stands for the whole folder;
    // several keep their own sizes so the group does not count it twice.
    if (runtime && apps.size() == 1)
        apps.front().fields.appSize = size;

    AppDraft group;
    group.fields.name = folderName;
    group.fields.bundleIdentifier = QStringLiteral("group.") + apps.front().fields.bundleIdentifier;
    group.fields.path = folder;
    group.fields.icon = IconRef::fileIcon(folder);
    group.fields.appSize = size;
    group.fields.lastUsed = latestDate(apps);
    group.fields.developer = apps.front().fields.developer;
    sortByName(apps);
    group.members = std::move(apps);
    return group;
}

// Stage 3: the built records in listing order, without system applications
// and without any bundle twice.
std::vector<AppDraft> acceptInOrder(const FileSystem& fs, const std::vector<ListedEntry>& listed, const Builds& builds)
{
    std::vector<AppDraft> result;
    QSet<QString> seen;
    auto accept = [&](const AppDraft& d) {
        if (d.fields.isSystemApp)
            return false;
        const QString key = path::standardized(d.fields.path);
        if (seen.contains(key))
            return false;
        seen.insert(key);
        return true;
    };
    for (const ListedEntry& e : listed) {
        if (!e.isFolder) {
            const Builds::Built& b = builds.bundle(e.path);
            if (accept(b.draft))
                result.push_back(b.draft);
            for (const AppDraft& nested : b.nested)
                if (accept(nested))
                    result.push_back(nested);
            continue;
        }
        std::vector<AppDraft> apps;
        for (const QString& app : e.folderApps)
            if (const Builds::Built& b = builds.bundle(app); accept(b.draft))
                apps.push_back(b.draft);
        if (auto entry = folderEntry(fs, e.path, std::move(apps), builds.folderSize(e.path)))
            result.push_back(std::move(*entry));
    }
    return result;
}

} // namespace

const QStringList& applicationFolders(const QString& home)
{
    thread_local QString cachedHome;
    thread_local QStringList folders;
    if (folders.isEmpty() || cachedHome != home) {
        cachedHome = home;
        folders = {QStringLiteral("/Applications"), QStringLiteral("/Applications/Utilities"),
                   QStringLiteral("/Applications/Chrome Apps.localized"),
                   QStringLiteral("/System/Volumes/Data/Applications"), home + QStringLiteral("/Applications"),
                   QStringLiteral("/Users/Shared/Applications")};
    }
    return folders;
}

std::vector<ListedEntry> listApplicationFolders(const FileSystem& fs)
{
    std::vector<ListedEntry> listed;
    for (const QString& folder : applicationFolders(fs.home())) {
        const auto entries = fs.list(folder);
        if (!entries)
            continue;
        for (const DirEntry& e : *entries) {
            const QString entry = path::join(folder, e.name);
            if (path::isAppBundle(e.name)) {
                listed.push_back({entry, false, {}});
            } else if (e.type == FileType::Directory) {
                ListedEntry group{entry, true, {}};
                if (const auto inner = fs.list(entry))
                    for (const DirEntry& a : *inner)
                        if (path::isAppBundle(a.name))
                            group.folderApps << path::join(entry, a.name);
                if (!group.folderApps.isEmpty())
                    listed.push_back(std::move(group));
            }
        }
    }
    return listed;
}

std::vector<AppDraft> discoverInstalledApps(const Platform& p)
{
    // 1. List the application folders.
    const std::vector<ListedEntry> listed = listApplicationFolders(p.fs());
    // 2. Build every distinct bundle (and measure folders) in parallel.
    Builds builds(listed);
    builds.run(p);
    // 3. Accept in listing order, then gather families and sort.
    std::vector<AppDraft> result = applyFamilyGroups(acceptInOrder(p.fs(), listed, builds));
    sortByName(result);
    return result;
}

QStringList findNotableNestedApps(const FileSystem& fs, const QString& bundle)
{
    NestedAppSearch search;
    DiskUsage::measure(fs, bundle, &search.watch());
    return search.found();
}

std::vector<AppDraft> applyFamilyGroups(std::vector<AppDraft> list)
{
    for (const FamilyRule& rule : kFamilies) {
        std::vector<AppDraft> rest, family;
        for (AppDraft& d : list)
            (d.members.empty() && d.fields.name.toLower().contains(rule.nameWord) ? family : rest).push_back(std::move(d));
        if (!family.empty())
            rest.push_back(makeGroup(rule.groupName, std::move(family)));
        list = std::move(rest);
    }
    return list;
}

AppDraft makeGroup(const QString& n, std::vector<AppDraft> members)
{
    sortByName(members);
    const QString lower = n.toLower();
    const auto family = std::find_if(std::begin(kFamilies), std::end(kFamilies),
                                     [&](const FamilyRule& r) { return lower.contains(r.nameWord); });
    // Numbered and runtime folders keep their own names.
    QString display;
    if ((!n.isEmpty() && n.front().isDigit()) || runtimeFolder(lower))
        display = n;
    else if (family != std::end(kFamilies))
        display = family->groupName;
    else
        display = n.endsWith(QLatin1String("Group")) ? n : QString(n).remove(QStringLiteral(".app")) + QStringLiteral(" Group");

    AppDraft group;
    AppFields& f = group.fields;
    f.name = display;
    if (display.toLower().contains(QLatin1String("group")))
        f.icon = IconRef::fileIcon(QStringLiteral("/Applications"));
    else if (!members.empty())
        f.icon = members.front().fields.icon;
    f.bundleIdentifier = QStringLiteral("group.") + (members.empty() ? n : members.front().fields.bundleIdentifier);
    f.path = members.empty() ? QStringLiteral("/Applications/") + n : members.front().fields.path;
    for (const AppDraft& m : members)
        f.appSize += m.fields.appSize;
    f.lastUsed = latestDate(members);
    f.developer = members.empty() ? QStringLiteral("Unknown") : members.front().fields.developer;
    group.members = std::move(members);
    return group;
}

} // namespace tw::discovery
