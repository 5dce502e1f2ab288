// The scanner object and application discovery.

#include "engine/inventory/AppScanner.h"
#include "platform/ThreadPool.h"

#include "platform/Collation.h"
#include "platform/Path.h"

#include <QHash>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace tw {

AppScanner::AppScanner(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
{
}

void AppScanner::setApps(QList<AppInfoPtr> apps)
{
    m_apps = std::move(apps);
    emit appsChanged();
}

void AppScanner::setScanning(bool scanning, const QString& progress)
{
    if (m_isScanning != scanning) {
        m_isScanning = scanning;
        emit scanningChanged();
    }
    if (m_scanProgress != progress) {
        m_scanProgress = progress;
        emit scanProgressChanged();
    }
}

void AppScanner::scanInstalledApps()
{
    setScanning(true, QStringLiteral("Scanning all applications…"));
    QPointer<AppScanner> self(this);
    const Platform* p = &m_platform;
    enginePool().start([self, p] {
        std::vector<AppDraft> drafts = discoverInstalledApps(*p);
        QMetaObject::invokeMethod(self, [self, drafts = std::move(drafts)] {
            if (!self)
                return;
            QList<AppInfoPtr> apps;
            apps.reserve(qsizetype(drafts.size()));
            for (const AppDraft& d : drafts)
                apps.append(AppInfo::fromDraft(d));
            self->setApps(apps);
            self->setScanning(false, QString());
            self->prefetchLeftoverSizes(apps);
        }, Qt::QueuedConnection);
    });
}

const QStringList& AppScanner::applicationFolders(const QString& home)
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

namespace {

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

} // namespace

std::vector<AppScanner::ListedEntry> AppScanner::listApplicationFolders(const FileSystem& fs)
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

std::vector<AppDraft> AppScanner::discoverInstalledApps(const Platform& p)
{
    const FileSystem& fs = p.fs();

    // 1. List the application folders.
    const std::vector<ListedEntry> plan = listApplicationFolders(fs);

    // 2. Build every distinct bundle (and measure folders) in parallel. Only
    // bundles lying directly in an application folder are searched for
    // nested updaters.
    struct Job {
        QString path;
        enum Kind { FolderBundle, TopBundle, FolderSize } kind;
    };
    std::vector<Job> jobs;
    QHash<QString, size_t> bundleJobs, folderJobs;
    auto addJob = [&](const QString& path, Job::Kind kind) {
        QHash<QString, size_t>& index = kind == Job::FolderSize ? folderJobs : bundleJobs;
        if (const auto it = index.constFind(path); it != index.cend()) {
            jobs[*it].kind = std::max(jobs[*it].kind, kind);  // a top-level finding also searches nested apps
            return;
        }
        index.insert(path, jobs.size());
        jobs.push_back({path, kind});
    };
    for (const ListedEntry& e : plan) {
        if (!e.isFolder) {
            addJob(e.path, Job::TopBundle);
            continue;
        }
        for (const QString& app : e.folderApps)
            addJob(app, Job::FolderBundle);
        addJob(e.path, Job::FolderSize);
    }

    struct Built {
        AppDraft draft;
        std::vector<AppDraft> nested;
        std::int64_t folderSize = 0;
    };
    std::vector<Built> built(jobs.size());
    std::vector<size_t> indices(jobs.size());
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = i;
    QtConcurrent::blockingMap(&enginePool(), indices, [&](size_t i) {
        const Job& job = jobs[i];
        Built& out = built[i];
        if (job.kind == Job::FolderSize) {
            out.folderSize = quickDiskUsage(fs, job.path);
            return;
        }
        out.draft = buildAppInfo(p, job.path, true);
        if (job.kind == Job::TopBundle)
            for (const QString& nested : findNotableNestedApps(fs, job.path))
                out.nested.push_back(buildAppInfo(p, nested, true));
    });
    auto bundleOf = [&](const QString& path) -> const Built& { return built[bundleJobs.value(path)]; };

    // 3. Accept in listing order: no system application, no bundle twice.
    std::vector<AppDraft> result;
    QSet<QString> seen;
    auto accept = [&](const AppDraft& d) {
        return !d.fields.isSystemApp && !seen.contains(path::standardized(d.fields.path))
            && (seen.insert(path::standardized(d.fields.path)), true);
    };
    const QString pythonFramework = QStringLiteral("/Library/Frameworks/Python.framework");
    for (const ListedEntry& e : plan) {
        if (!e.isFolder) {
            const Built& b = bundleOf(e.path);
            if (accept(b.draft))
                result.push_back(b.draft);
            for (const AppDraft& nested : b.nested)
                if (accept(nested))
                    result.push_back(nested);
            continue;
        }
        std::vector<AppDraft> apps;
        for (const QString& app : e.folderApps) {
            const Built& b = bundleOf(app);
            if (accept(b.draft))
                apps.push_back(b.draft);
        }
        if (apps.empty())
            continue;
        const QString folderName = path::lastComponent(e.path);
        const bool python = folderName.toLower().contains(QLatin1String("python"));
        if (python) {
            std::vector<AppDraft> idle;
            for (const AppDraft& a : apps)
                if (a.fields.name.toLower().contains(QLatin1String("idle")))
                    idle.push_back(a);
            if (!idle.empty())
                apps = std::move(idle);
        } else if (apps.size() == 1) {
            result.push_back(std::move(apps.front()));
            continue;
        }

        // A folder group.
        const std::int64_t folderSize = built[folderJobs.value(e.path)].folderSize;
        std::int64_t memberSum = 0;
        for (const AppDraft& a : apps)
            memberSum += a.fields.appSize;
        std::int64_t size = std::max(memberSum, folderSize);
        if (python && fs.exists(pythonFramework))
            size = std::max(size, quickDiskUsage(fs, pythonFramework) + folderSize);
        // Only a lone member of a python folder stands for the whole folder;
        // several keep their own sizes so the group does not count it twice.
        if (python && apps.size() == 1)
            apps.front().fields.appSize = size;

        AppDraft group;
        group.fields.name = folderName;
        group.fields.bundleIdentifier = QStringLiteral("group.") + apps.front().fields.bundleIdentifier;
        group.fields.path = e.path;
        group.fields.icon = IconRef::fileIcon(e.path);
        group.fields.appSize = size;
        group.fields.lastUsed = latestDate(apps);
        group.fields.developer = apps.front().fields.developer;
        sortByName(apps);
        group.members = std::move(apps);
        result.push_back(std::move(group));
    }

    result = applyFamilyGroups(std::move(result));
    sortByName(result);
    return result;
}

QStringList AppScanner::findNotableNestedApps(const FileSystem& fs, const QString& bundle)
{
    QStringList found;
    int count = 0;
    fs.walk(bundle + QStringLiteral("/Contents"), Hidden::Skip, [&](const QString& p, const DirEntry& e, int) {
        if (++count > 4000)
            return FileSystem::Visit::Stop;
        if (!path::isAppBundle(e.name))
            return FileSystem::Visit::Continue;
        const QString leaf = e.name.toLower();
        const bool qualifies = leaf.contains(QLatin1String("googleupdater"))
            || (p.contains(QLatin1String("/Google")) && leaf.contains(QLatin1String("updater")));
        if (qualifies && !p.contains(QLatin1String("/Developer/Platforms/")) && !p.contains(QLatin1String("/Xcode.app/")))
            found << p;
        return FileSystem::Visit::Continue;
    });
    return found;
}

std::vector<AppDraft> AppScanner::applyFamilyGroups(std::vector<AppDraft> list)
{
    std::vector<AppDraft> out;
    std::vector<AppDraft> family;
    for (AppDraft& d : list) {
        if (d.members.empty() && d.fields.name.toLower().contains(QLatin1String("adguard")))
            family.push_back(std::move(d));
        else
            out.push_back(std::move(d));
    }
    if (!family.empty())
        out.push_back(makeGroup(QStringLiteral("AdGuard Group"), std::move(family)));
    return out;
}

AppDraft AppScanner::makeGroup(const QString& n, std::vector<AppDraft> members)
{
    sortByName(members);
    const QString lower = n.toLower();
    QString candidate = n;
    if (!n.endsWith(QLatin1String("Group")) && !lower.contains(QLatin1String("python")))
        candidate = QString(n).remove(QStringLiteral(".app")) + QStringLiteral(" Group");
    QString display = candidate;
    if ((!n.isEmpty() && n.front().isDigit()) || lower.contains(QLatin1String("python")))
        display = n;
    else if (lower.contains(QLatin1String("adguard")))
        display = QStringLiteral("AdGuard Group");

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

} // namespace tw
