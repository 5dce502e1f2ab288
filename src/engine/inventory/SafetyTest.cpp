// The gate every path passes before it is offered or moved as a leftover.

#include "engine/inventory/SafetyTest.h"

#include "engine/inventory/LeftoverSearchCache.h"
#include "platform/Path.h"

#include <algorithm>
#include <array>

namespace tw::safety {

namespace {

constexpr std::array kProtectedFolders = {
    "/", "/Applications", "/System", "/Library", "/Users", "/private", "/usr", "/bin", "/sbin", "/cores", "/Volumes",
    "/Library/Preferences", "/Library/Application Support", "/Library/Caches",
};

// Relative to the home folder; "" is the home folder itself.
constexpr std::array kProtectedHomeFolders = {
    "", "/Library", "/Desktop", "/Documents", "/Downloads", "/Movies", "/Music", "/Pictures", "/Applications",
    "/Library/Preferences", "/Library/Application Support", "/Library/Caches", "/Library/Containers",
    "/Library/Group Containers",
};

constexpr std::array kProtectedPrefixes = {
    "/System/", "/usr/", "/bin/", "/sbin/", "/private/etc/", "/private/var/db/", "/private/var/jabberd/",
    "/Library/Apple/", "/Library/OSAnalytics/", "/Library/Updates/", "/Library/Filesystems/",
    "/Library/KernelCollections/", "/System/Volumes/",
};

constexpr std::array kProtectedHomePrefixes = {
    "/Library/Keychains/", "/Library/Mail/", "/Library/Messages/", "/Library/Photos/", "/Library/Suggestions/",
    "/.Trash/",
};

} // namespace

Rules makeRules(const QStringList& homes)
{
    Rules rules;
    rules.folders.insert(QString());
    for (const char* f : kProtectedFolders)
        rules.folders.insert(QLatin1String(f));
    auto addPrefix = [&](const QString& prefix) {
        rules.prefixes.push_back(prefix);
        rules.folders.insert(prefix.chopped(1));  // the subtree's own folder
    };
    for (const char* prefix : kProtectedPrefixes)
        addPrefix(QLatin1String(prefix));
    for (const QString& h : homes) {
        for (const char* f : kProtectedHomeFolders)
            rules.folders.insert(h + QLatin1String(f));
        for (const char* prefix : kProtectedHomePrefixes)
            addPrefix(h + QLatin1String(prefix));
    }
    return rules;
}

bool identifierShapedName(const QString& leaf)
{
    return !leaf.contains(u' ') && leaf.split(u'.', Qt::SkipEmptyParts).size() >= 3;
}

namespace {

bool refused(const QString& p, const Rules& rules)
{
    if (rules.folders.contains(p))
        return true;
    return std::any_of(rules.prefixes.begin(), rules.prefixes.end(),
                       [&](const QString& prefix) { return p.startsWith(prefix); });
}

// An application bundle. A folder named like an identifier that ends in
// ".app" (com.example.app, as containers and caches are named) is one only
// when it holds a bundle's Contents.
bool isBundle(const FileSystem& fs, const QString& p)
{
    const QString leaf = path::lastComponent(p);
    if (!leaf.endsWith(QLatin1String(".app"), Qt::CaseInsensitive))
        return false;
    return !identifierShapedName(leaf) || fs.existsNoFollow(p + QStringLiteral("/Contents"));
}

} // namespace

bool isSafeToRemove(LeftoverSearchCache& cache, const QString& path)
{
    if (!path.startsWith(u'/') || path.contains(QChar(0)))
        return false;
    const QString lexical = path::standardized(path);
    if (lexical == QLatin1String("/"))
        return false;

    // Judge the path as it lies on disk: a symlinked parent folder must not
    // carry a path from a protected place past the rules. The last component
    // stays as it is, so a link itself may go.
    QStringList spellings{lexical};
    const auto [folder, leaf] = path::split(lexical);
    const ResolvedFolder parent = cache.resolveFolder(folder);
    if (parent.state == ResolvedFolder::State::Outside)
        return false;  // resolves outside the mapped root
    if (parent.state == ResolvedFolder::State::Resolved) {
        const QString resolved = path::join(parent.path, leaf);
        if (resolved != lexical)
            spellings << resolved;
    }

    const Rules& rules = cache.safetyRules();
    for (const QString& p : spellings)
        if (refused(p, rules) || isBundle(cache.fs(), p))
            return false;
    return true;
}

bool isSafeToRemove(const FileSystem& fs, const QString& path)
{
    LeftoverSearchCache cache(fs);
    return isSafeToRemove(cache, path);
}

bool isUserAppBundle(const QString& home, const QString& path)
{
    const QString p = path::standardized(path);
    if (!p.endsWith(QLatin1String(".app")) || p.startsWith(QLatin1String("/System")))
        return false;
    return p.startsWith(QLatin1String("/Applications/"))
        || (!home.isEmpty() && p.startsWith(path::standardized(home) + QStringLiteral("/Applications/")));
}

bool isUserAppBundleOnDisk(const FileSystem& fs, const QString& path)
{
    const QString p = path::standardized(path);
    const std::optional<QString> resolved = fs.resolvingParents(p);
    if (!resolved || !isUserAppBundle(fs.home(), p))
        return false;
    // The bundle where it really lies must pass too, under either spelling
    // of the home folder.
    const std::optional<QString> home = fs.resolvingParents(path::join(fs.home(), QStringLiteral("Applications")));
    if (!isUserAppBundle(fs.home(), *resolved) && !(home && isUserAppBundle(path::parent(*home), *resolved)))
        return false;
    auto is = [&](const QString& p, FileType type) {
        const auto st = fs.stat(p);
        return st && st->type == type;
    };
    return is(*resolved, FileType::Directory) && is(*resolved + QStringLiteral("/Contents"), FileType::Directory)
        && is(*resolved + QStringLiteral("/Contents/Info.plist"), FileType::Regular);
}

} // namespace tw::safety
