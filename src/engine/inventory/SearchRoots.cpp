// The fixed places the leftover finder draws candidates from.

#include "engine/inventory/SearchRoots.h"

#include "engine/inventory/LeftoverSearchCache.h"
#include "engine/inventory/SafetyTest.h"
#include "platform/Path.h"

#include <QStringDecoder>

namespace tw::searchroots {

namespace {

const QString kAppSupport = QStringLiteral("Application Support");
const QString kCaches = QStringLiteral("Caches");
const QString kContainers = QStringLiteral("Containers");
const QString kPreferences = QStringLiteral("Preferences");
const QString kLogs = QStringLiteral("Logs");
const QString kPlugIns = QStringLiteral("Plug-Ins");
const QString kHelperTools = QStringLiteral("Helper Tools");
const QString kLaunchAgents = QStringLiteral("Launch Agents");

// Quotes, backslashes and wildcards lose their meaning inside a query string.
QString escapedForQuery(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'' || c == u'"' || c == u'*' || c == u'?')
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace

bool namedByIdentifier(const QString& lower, const QString& idLower)
{
    return lower.startsWith(idLower) && (lower.size() == idLower.size() || lower.at(idLower.size()) == u'.');
}

std::vector<SearchRoot> searchRoots(const QString& home)
{
    const QString lib = path::join(home, QStringLiteral("Library"));
    auto L = [&](const char* rel) { return lib + u'/' + QLatin1String(rel); };
    return {
        {L("Application Support"), kAppSupport},
        {L("Application Scripts"), kAppSupport},
        {L("Caches"), kCaches},
        {L("Preferences"), kPreferences},
        {L("Preferences/ByHost"), kPreferences},
        {L("Logs"), kLogs},
        {L("Saved Application State"), QStringLiteral("Saved State")},
        {L("Containers"), kContainers},
        {L("Group Containers"), QStringLiteral("Group Containers")},
        {L("WebKit"), kCaches},
        {L("HTTPStorages"), kCaches},
        {L("Cookies"), QStringLiteral("Cookies")},
        {L("Internet Plug-Ins"), kPlugIns},
        {L("Input Methods"), QStringLiteral("Input Methods")},
        {L("Services"), QStringLiteral("Services")},
        {L("QuickLook"), QStringLiteral("Quick Look")},
        {L("PreferencePanes"), QStringLiteral("Preference Panes")},
        {L("ScriptingAdditions"), QStringLiteral("Scripting Additions")},
        {L("LaunchAgents"), kLaunchAgents},
        {L("Logs/DiagnosticReports"), kLogs},
        {L("Caches/com.apple.helpd"), kCaches},
        {L("Caches/Metadata"), kCaches},
        {L("PDF Services"), QStringLiteral("Services")},
        {L("Mail/Bundles"), kPlugIns},
        {L("Address Book Plug-Ins"), kPlugIns},
        {L("Application Support/CrashReporter"), kLogs},
        {L("Helpers"), kHelperTools},
        {L("Daemon Containers"), kContainers},
        {L("Mobile Documents"), kAppSupport},
        {L("CloudStorage"), kAppSupport},
        {QStringLiteral("/Library/LaunchAgents"), kLaunchAgents},
        {QStringLiteral("/Library/LaunchDaemons"), QStringLiteral("Launch Daemons")},
        {QStringLiteral("/Library/Application Support"), kAppSupport},
        {QStringLiteral("/Library/Preferences"), kPreferences},
        {QStringLiteral("/Library/PrivilegedHelperTools"), kHelperTools},
        {QStringLiteral("/Library/Receipts"), QStringLiteral("Receipts")},
        {QStringLiteral("/Library/Internet Plug-Ins"), kPlugIns},
        {QStringLiteral("/Library/Input Methods"), QStringLiteral("Input Methods")},
        {QStringLiteral("/Library/StartupItems"), kLaunchAgents},
        {QStringLiteral("/Library/Extensions"), kPlugIns},
        {QStringLiteral("/Library/SystemExtensions"), kPlugIns},
        {QStringLiteral("/Users/Shared"), kAppSupport},
        {QStringLiteral("/Users/Shared/Library"), kAppSupport},
    };
}

std::vector<SearchRoot> knownSupportExtras(const FileSystem& fs, const QString& bundleId, const QString& name,
                                           const QString& lib)
{
    const QString i = bundleId.toLower();
    const QString m = name.toLower();
    const QString home = fs.home();
    std::vector<SearchRoot> out;
    auto add = [&](const QString& p, const QString& label) { out.push_back({p, label}); };
    auto L = [&](const char* rel) { return lib + u'/' + QLatin1String(rel); };
    auto H = [&](const char* rel) { return home + u'/' + QLatin1String(rel); };

    if (i == QLatin1String("com.google.chrome") || i.startsWith(QLatin1String("com.google.chrome."))) {
        add(L("Application Support/Google/Chrome"), kAppSupport);
        add(L("Caches/Google/Chrome"), kCaches);
        add(L("Google/Chrome"), kAppSupport);
        add(L("Application Support/Google/Chrome-for-Testing"), kAppSupport);
        add(H("Library/Logs/Google Chrome"), kLogs);
    } else if (i.contains(QLatin1String("googleupdater")) || i.contains(QLatin1String("keystone"))
               || m.contains(QLatin1String("googleupdater"))) {
        add(L("Caches/com.google.GoogleUpdater"), kCaches);
        add(L("Caches/com.google.Keystone"), kCaches);
        add(L("Google/GoogleSoftwareUpdate"), kAppSupport);
        add(L("HTTPStorages/com.google.GoogleUpdater"), kCaches);
    }
    if (i == QLatin1String("com.apple.dt.xcode") || m == QLatin1String("xcode")) {
        add(H("Library/Developer/Xcode"), kAppSupport);
        add(H("Library/Developer/CoreSimulator"), kAppSupport);
    }
    if (i == QLatin1String("com.adguard.mac.adguard")) {
        add(QStringLiteral("/Library/Application Support/AdGuard Software"), kAppSupport);
        add(QStringLiteral("/Library/Logs/com.adguard.mac.adguard"), kLogs);
        const QString sysExt = QStringLiteral("/Library/SystemExtensions");
        if (const auto folders = fs.list(sysExt)) {
            for (const DirEntry& f : *folders) {
                if (f.type != FileType::Directory)
                    continue;  // never through a link
                const QString folder = path::join(sysExt, f.name);
                if (const auto inner = fs.list(folder))
                    for (const DirEntry& e : *inner)
                        if (e.name.toLower().contains(QLatin1String("adguard")))
                            add(path::join(folder, e.name), kHelperTools);
            }
        }
    }
    if (i == QLatin1String("com.apple.finalcut") || m.contains(QLatin1String("final cut"))) {
        for (const char* rel : {"Application Support/Final Cut Pro", "Application Support/Final Cut Pro User Data",
                                "Application Support/Motion", "Caches/com.apple.FinalCut"}) {
            const QString r = QLatin1String(rel);
            add(lib + u'/' + r, r.contains(QLatin1String("Caches")) ? kCaches : kAppSupport);
        }
        add(H("Movies/Motion Templates.localized"), kAppSupport);
    }
    if (i.contains(QLatin1String("appgeneration")) || i.contains(QLatin1String("ituner"))
        || m.contains(QLatin1String("mytuner")))
        add(lib + QStringLiteral("/Containers/") + bundleId, kContainers);
    if (i.contains(QLatin1String("cleanshot")) || m.contains(QLatin1String("cleanshot"))) {
        add(L("Application Support/CleanShot"), kAppSupport);
        add(L("Caches/pl.maketheweb.cleanshotx"), kCaches);
    }
    if (i.contains(QLatin1String("todesktop")) || m == QLatin1String("cursor")) {
        add(L("Caches/cursor-compile-cache"), kCaches);
        add(H(".cursor"), kAppSupport);
    }
    return out;
}

QStringList varFolderEntries(const FileSystem& fs, const QString& bundleIdLower)
{
    if (bundleIdLower.isEmpty())
        return {};
    LeftoverSearchCache cache(fs);
    QStringList out;
    for (const WalkNode& item : cache.temporaryItems())
        if (namedByIdentifier(item.lower, bundleIdLower))
            out << item.path;
    return out;
}

bool isWalkedLabel(const QString& label)
{
    static const QStringList walked{QStringLiteral("Caches"), QStringLiteral("HTTPStorages"), QStringLiteral("WebKit"),
                                    QStringLiteral("Logs"), QStringLiteral("Preferences")};
    return walked.contains(label);
}

QStringList nestedBundleFolders(const FileSystem& fs, const QString& folder, const QString& bundleIdLower,
                                int depth)
{
    if (depth < 0 || bundleIdLower.isEmpty())
        return {};
    LeftoverSearchCache cache(fs);
    const std::vector<WalkNode>& nodes = cache.walk(folder, depth);
    QStringList out;
    for (const qsizetype i : nestedBundleHits(nodes, cache.walkIndex(folder, depth), bundleIdLower))
        out << nodes[size_t(i)].path;
    return out;
}

QStringList spotlightExactHits(const Platform& p, const QString& bundleId)
{
    if (bundleId.isEmpty())
        return {};
    const QString id = escapedForQuery(bundleId);
    const QString folders[] = {p.fs().library(), QStringLiteral("/Library"), QStringLiteral("/private/var/folders"),
                               QStringLiteral("/Users/Shared")};
    auto byName = [&](const char* suffix) {
        return QStringLiteral("kMDItemFSName == '") + id + QLatin1String(suffix) + QStringLiteral("'cd");
    };
    const QString queries[] = {byName(""), byName("*"), byName(".plist"), byName(".savedState"),
                               byName(".binarycookies")};
    QStringList out;
    for (const QString& folder : folders) {
        for (const QString& query : queries) {
            const auto output = p.spotlight().find(folder, query);
            if (!output)
                continue;
            QStringDecoder decode(QStringDecoder::Utf8);
            const QString text = decode(*output);
            if (decode.hasError())
                continue;
            const QStringList lines = QString(text).replace(u'\r', u'\n').split(u'\n', Qt::SkipEmptyParts);
            for (qsizetype n = 0; n < lines.size() && n < 40; ++n) {
                const QString& line = lines[n];
                const QString lower = line.toLower();
                // Bundles are dropped; a folder named by an identifier ending in
                // ".app" is not a bundle (the safety test catches real ones).
                const bool bundle = line.endsWith(QLatin1String(".app"))
                    && !safety::identifierShapedName(path::lastComponent(line));
                if (!line.startsWith(u'/') || bundle
                    || line.contains(QLatin1String("/DerivedData/")) || line.contains(QLatin1String("/Xcode/"))
                    || lower.contains(QLatin1String("/subdomainappssearcher/"))
                    || lower.contains(QLatin1String("/updatercache/")))
                    continue;
                out << line;
            }
        }
    }
    return out;
}

} // namespace tw::searchroots
