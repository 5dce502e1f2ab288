#include "engine/inventory/AppScanner.h"
#include "engine/inventory/LeftoverSearchCache.h"
#include "platform/Path.h"
#include "support/FakePlatform.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MacTree;

namespace {

const QString kId = QStringLiteral("com.example.app");

std::vector<LeftoverItem> find(const Platform& p, const QString& id, const QString& name,
                               const std::optional<QString>& exclude = std::nullopt,
                               LeftoverSearchCache* cache = nullptr)
{
    return AppScanner::findLeftovers(p, id, name, std::nullopt, exclude, cache);
}

QStringList pathsOf(const std::vector<LeftoverItem>& items)
{
    QStringList out;
    for (const LeftoverItem& i : items)
        out << i.path;
    return out;
}

QStringList labelsOf(const std::vector<LeftoverItem>& items)
{
    QStringList out;
    for (const LeftoverItem& i : items)
        out << i.kindDescription;
    return out;
}

const LeftoverItem* itemAt(const std::vector<LeftoverItem>& items, const QString& path)
{
    for (const LeftoverItem& i : items)
        if (i.path == path)
            return &i;
    return nullptr;
}

// A home where "Example App" (com.example.app) left files in every kind of
// place, beside other applications' files that must not be offered.
struct ExampleHome {
    FakePlatform fp;
    MacTree& t = fp.tree();
    QString h = t.home();
    QString L = t.library();

    ExampleHome()
    {
        t.makeApp("/Applications/Example App.app", kId, "Example App");
        t.writeSized(L + "/Containers/com.example.app/Data/Library/Preferences/com.example.app.plist", 1000);
        t.write(L + "/Application Scripts/com.example.app/run.scpt", "s");
        t.writeSized(L + "/Preferences/com.example.app.plist", 300);
        t.writeSized(L + "/Caches/com.example.app/Cache.db", 5000);
        t.write(L + "/Caches/com.example.app.backup/old", "b");
        t.write(L + "/HTTPStorages/com.example.app.binarycookies", "c");
        t.write(L + "/Saved Application State/com.example.app.savedState/data.data", "d");
        t.write(L + "/Application Support/com.example.app/store.db", "e");
        t.write(L + "/LaunchAgents/com.example.app.agent.plist", "f");
        t.write("/Library/LaunchDaemons/com.example.app.helper.plist", "g");
        t.write("/Library/PrivilegedHelperTools/com.example.app.helper", "h");
        t.write(L + "/Application Support/Example App/settings.json", "0123456789");
        t.write(L + "/Application Support/Example App/com.example.app.plist", "p");
        t.mkdir(L + "/Caches/ExampleApp");
        t.mkdir(h + "/.exampleapp");
        t.mkdir("/private/var/folders/zz/abc123/C/com.example.app");
        t.mkdir("/private/var/folders/zz/abc123/T/other.thing");
        t.write(L + "/Preferences/ByHost/com.example.app.0A1B2C3D.plist", "i");
        t.mkdir(L + "/Group Containers/ABCDE12345.com.example.app");
        t.mkdir(L + "/Containers/com.example.app.widget");
        t.mkdir(L + "/Caches/Vendor/Sub/com.example.app");
        t.mkdir(L + "/Logs/Example App");
        t.mkdir(L + "/Input Methods/com.example.app.inputmethod");
        t.mkdir("/Library/Caches/com.example.app");
        t.write("/Users/Shared/LaunchDaemonsOld/com.example.app.plist", "j");

        // Not the application's.
        t.mkdir(L + "/Caches/com.example.apphelper");
        t.write(L + "/Preferences/com.example.apphelper.plist", "k");
        t.write(L + "/Application Support/Other/com.example.app.plist", "l");
        t.mkdir(L + "/Containers/com.other.app");
        t.mkdir(L + "/Caches/updatercache/com.example.app");
        t.mkdir(L + "/Group Containers/group.com.apple.notes");
        t.mkdir(L + "/Group Containers/XYZ9876543.com.example");
        t.mkdir(L + "/Caches/.com.example.app.hidden");
        t.makeApp(L + "/Application Support/com.example.app.helper.app", "com.example.app.helper", "Helper");
        t.mkdir(h + "/Documents/com.example.app");

        fp.spotlight.answers[{L, "kMDItemFSName == 'com.example.app'cd"}] =
            (L + "/Application Support/Example App/com.example.app.plist\n" + L
             + "/Application Support/Other/com.example.app.plist\n" + L + "/Caches/com.example.app\n")
                .toUtf8();
        fp.spotlight.answers[{"/Library", "kMDItemFSName == 'com.example.app'cd"}] = "/Library/Caches/com.example.app\n";
        fp.spotlight.answers[{"/Users/Shared", "kMDItemFSName == 'com.example.app.plist'cd"}] =
            "/Users/Shared/LaunchDaemonsOld/com.example.app.plist\n";
    }
};

} // namespace

TEST(LeftoverFinder, FindsEveryKindOfLeftoverInCategoryAndNameOrder)
{
    ExampleHome home;
    const QString& L = home.L;
    const auto items = find(home.fp, kId, "Example App", QString("/Applications/Example App.app"));
    const QStringList expected{
        // Application Support
        home.h + "/.exampleapp",
        L + "/Application Scripts/com.example.app",
        L + "/Application Support/com.example.app",
        L + "/Application Support/Example App",
        // Caches
        "/Library/Caches/com.example.app",
        L + "/Caches/com.example.app",
        "/private/var/folders/zz/abc123/C/com.example.app",
        L + "/Caches/Vendor/Sub/com.example.app",
        L + "/Caches/com.example.app.backup",
        L + "/HTTPStorages/com.example.app.binarycookies",
        L + "/Caches/ExampleApp",
        // Containers, Group Containers
        L + "/Containers/com.example.app",
        L + "/Containers/com.example.app.widget",
        L + "/Group Containers/ABCDE12345.com.example.app",
        // Preferences, Logs, Saved State
        L + "/Preferences/ByHost/com.example.app.0A1B2C3D.plist",
        L + "/Preferences/com.example.app.plist",
        L + "/Logs/Example App",
        L + "/Saved Application State/com.example.app.savedState",
        // Launch Agents, Launch Daemons, Helper Tools, Input Methods
        L + "/LaunchAgents/com.example.app.agent.plist",
        "/Library/LaunchDaemons/com.example.app.helper.plist",
        "/Users/Shared/LaunchDaemonsOld/com.example.app.plist",
        "/Library/PrivilegedHelperTools/com.example.app.helper",
        L + "/Input Methods/com.example.app.inputmethod",
    };
    // Each path once (the cache folder is a direct path, a Caches child, a
    // nested walk hit and a Spotlight hit), with the label of its first
    // source; the Spotlight hit inside the support folder is pruned, while
    // <id>.backup beside <id> stays; no foreign file, bundle or hidden file.
    EXPECT_EQ(pathsOf(items), expected);
    EXPECT_EQ(labelsOf(items),
              (QStringList{"Application Support", "Application Support", "Application Support", "Application Support",
                           "Caches", "Caches", "Caches", "Caches", "Caches", "Caches", "Caches", "Containers",
                           "Containers", "Group Containers", "Preferences", "Preferences", "Logs", "Saved State",
                           "Launch Agents", "Launch Daemons", "Launch Daemons", "Helper Tools", "Input Methods"}));
    // Sizes are apparent sizes in whole KiB, as du prints them.
    ASSERT_NE(itemAt(items, L + "/Caches/com.example.app"), nullptr);
    EXPECT_EQ(itemAt(items, L + "/Caches/com.example.app")->size, 5120);
    EXPECT_EQ(itemAt(items, L + "/Containers/com.example.app")->size, 1024);
    EXPECT_EQ(itemAt(items, L + "/Caches/ExampleApp")->size, 0);
}

TEST(LeftoverFinder, ExcludesOnlyTheExactBundlePath)
{
    ExampleHome home;
    const QString& L = home.L;
    // A path written differently but naming the cache folder is excluded.
    const auto without = find(home.fp, kId, "Example App", QString(L + "/Caches/./Vendor/../com.example.app"));
    EXPECT_FALSE(pathsOf(without).contains(L + "/Caches/com.example.app"));
    EXPECT_TRUE(pathsOf(without).contains(L + "/Caches/com.example.app.backup"));
    const auto all = find(home.fp, kId, "Example App");
    EXPECT_EQ(all.size(), without.size() + 1);
}

TEST(LeftoverFinder, BlankOrUnusableIdentifiersFindNothingWithoutReadingAnything)
{
    ExampleHome home;
    EXPECT_TRUE(find(home.fp, "   \n", "Example App").empty());
    EXPECT_TRUE(find(home.fp, "", "Example App").empty());
    EXPECT_TRUE(home.fp.spotlight.calls.empty());
    // An identifier no bundle can carry must not steer paths elsewhere.
    home.t.write(home.h + "/Documents/taxes/2025.pdf", "t");
    EXPECT_TRUE(find(home.fp, "com.ituner/../../../Documents/taxes", "Radio").empty());
    EXPECT_TRUE(home.fp.spotlight.calls.empty());
    // Surrounding blanks are trimmed.
    EXPECT_FALSE(find(home.fp, "  com.example.app \n", "Example App").empty());
}

TEST(LeftoverFinder, NameAliasesNeverReachSharedDotFolders)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString h = t.home();
    for (const QString dot : {".ssh", ".gnupg", ".config", ".local", ".cache", ".trash", ".Trash"})
        t.write(h + "/" + dot + "/keep", "x");
    t.mkdir(t.library() + "/Application Support/SSH");
    t.mkdir(h + "/.cursor");
    for (const QString name : {"SSH", "GnuPG", "Config", "Local", "Cache", "Trash", "TRASH"}) {
        const auto items = find(fp, "com.example." + name.toLower(), name);
        for (const QString& p : pathsOf(items))
            EXPECT_NE(path::parent(p), h) << name.toStdString() << ": " << p.toStdString();
    }
    // The support folder of an application called SSH is still its own.
    EXPECT_EQ(pathsOf(find(fp, "com.example.ssh", "SSH")), (QStringList{t.library() + "/Application Support/SSH"}));
    // Other hidden home folders named after an application still count.
    EXPECT_EQ(pathsOf(find(fp, "com.todesktop.cursor", "Cursor")), (QStringList{h + "/.cursor"}));
}

TEST(LeftoverFinder, AliasesThatAreNotAPlainNameAreIgnored)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    t.write(t.library() + "/Documents/private.txt", "x");
    t.write(t.home() + "/Documents/private.txt", "x");
    t.mkdir(t.library() + "/Caches/Sub/Folder");
    for (const QString name : {"../Documents", "..", "Sub/Folder", "../../Documents"})
        EXPECT_TRUE(find(fp, "com.example.tool", name).empty()) << name.toStdString();
}

TEST(LeftoverFinder, SpotlightHitsAreLabelledByWhereTheyLie)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QStringList hits{
        "/Users/Shared/a/C/com.example.app.c",           "/Users/Shared/b/T/com.example.app.t",
        "/Users/Shared/c/Caches/com.example.app.caches", "/Users/Shared/CACHES/com.example.app.upper",
        "/Users/Shared/HTTPStorages/com.example.app.h",  "/Users/Shared/d/WebKit/com.example.app.w",
        "/Users/Shared/Preferences/com.example.app.p",   "/Users/Shared/LaunchDaemonX/com.example.app.d",
        "/Users/Shared/LaunchAgentX/com.example.app.a",  "/Users/Shared/Elsewhere/com.example.app.e",
    };
    QByteArray answer;
    for (const QString& hit : hits) {
        t.write(hit, "x");
        answer += hit.toUtf8() + "\n";
    }
    fp.spotlight.answers[{"/Users/Shared", "kMDItemFSName == 'com.example.app*'cd"}] = answer;
    const auto items = find(fp, kId, "Example");
    QHash<QString, QString> label;
    for (const LeftoverItem& i : items)
        label.insert(path::lastComponent(i.path), i.kindDescription);
    EXPECT_EQ(label.size(), hits.size());
    for (const char* caches : {"com.example.app.c", "com.example.app.t", "com.example.app.caches",
                               "com.example.app.upper", "com.example.app.h", "com.example.app.w",
                               "com.example.app.e"})
        EXPECT_EQ(label.value(caches), "Caches") << caches;
    EXPECT_EQ(label.value("com.example.app.p"), "Preferences");
    EXPECT_EQ(label.value("com.example.app.d"), "Launch Daemons");
    EXPECT_EQ(label.value("com.example.app.a"), "Launch Agents");
}

TEST(LeftoverFinder, NamesWithinACategorySortCaseInsensitively)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString caches = t.library() + "/Caches/";
    t.mkdir(caches + "com.example.app.Beta");
    t.mkdir(caches + "com.example.app.alpha");
    t.mkdir(caches + "com.example.app.Gamma");
    t.mkdir(t.library() + "/Application Support/com.example.app.zulu");
    EXPECT_EQ(pathsOf(find(fp, kId, "")),
              (QStringList{t.library() + "/Application Support/com.example.app.zulu", caches + "com.example.app.alpha",
                           caches + "com.example.app.Beta", caches + "com.example.app.Gamma"}));
}

TEST(LeftoverFinder, SymlinkedFoldersCannotSmuggleProtectedPaths)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString caches = t.library() + "/Caches";
    t.mkdir("/System/Library/com.example.app");
    t.mkdir(t.home() + "/Library/Keychains/com.example.app.keychain");
    t.symlink(caches + "/Vendor", t.host("/System/Library"));
    t.symlink(caches + "/Keys", t.host(t.home() + "/Library/Keychains"));
    // A link named by the identifier is offered, and only the link is.
    t.symlink(caches + "/com.example.app", t.host("/System"));
    fp.spotlight.answers[{t.library(), "kMDItemFSName == 'com.example.app'cd"}] =
        (caches + "/Vendor/com.example.app\n").toUtf8();
    fp.spotlight.answers[{t.library(), "kMDItemFSName == 'com.example.app*'cd"}] =
        (caches + "/Keys/com.example.app.keychain\n").toUtf8();
    const auto items = find(fp, kId, "Example");
    EXPECT_EQ(pathsOf(items), (QStringList{caches + "/com.example.app"}));
}

TEST(LeftoverFinder, PrefilteredListingsAgreeWithTheOwnershipRules)
{
    // A corpus of names in the Caches and Group Containers folders; the finder
    // must offer exactly those the rules accept.
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString caches = t.library() + "/Caches";
    const QString groups = t.library() + "/Group Containers";
    const QString name = "Example Notes";
    const QStringList ids{"com.example.notes.mac", "com.example.notes", "notes"};
    QStringList names;
    for (const QString prefix : {"", "x", "group.", "ABCDE12345.", "abcde1234.", "team.", "com."})
        for (const QString core : {"com.example.notes.mac", "COM.EXAMPLE.NOTES", "com.example.notesx", "com.example",
                                   "example notes", "ExampleNotes", "com.apple.notes", "notes"})
            for (const QString suffix : {"", ".plist", ".savedState", ".binarycookies", ".helper", ".mac.widgets", "x"})
                names << prefix + core + suffix;
    for (const QString& n : names) {
        t.write(caches + "/" + n, "x");
        t.write(groups + "/" + n, "x");
    }
    for (const QString& id : ids) {
        const QString idLower = id.toLower();
        const QString nameLower = name.toLower();
        const QString compact = QString(nameLower).remove(' ');
        QStringList expectCaches, expectGroups;
        for (const QString& n : names) {
            if (AppScanner::leafOwned(n, idLower, nameLower, compact)
                && AppScanner::isSafeToRemove(t.fs(), caches + "/" + n))
                expectCaches << n;
            if (AppScanner::groupContainerMatches(n, id))
                expectGroups << n;
        }
        QStringList gotCaches, gotGroups;
        for (const LeftoverItem& i : find(fp, id, name)) {
            if (path::parent(i.path) == caches)
                gotCaches << path::lastComponent(i.path);
            else if (path::parent(i.path) == groups)
                gotGroups << path::lastComponent(i.path);
        }
        expectCaches.sort();
        expectGroups.sort();
        gotCaches.sort();
        gotGroups.sort();
        EXPECT_FALSE(expectGroups.isEmpty());
        EXPECT_EQ(gotCaches, expectCaches) << id.toStdString();
        EXPECT_EQ(gotGroups, expectGroups) << id.toStdString();
    }
}

TEST(LeftoverFinder, ASharedCacheListsEachFolderOnceAndChangesNoResult)
{
    ExampleHome home;
    home.t.mkdir(home.L + "/Caches/com.vendor.tool");
    home.t.mkdir(home.L + "/Containers/com.vendor.tool");
    LeftoverSearchCache cache(home.fp.fs());
    const std::vector<std::pair<QString, QString>> apps{
        {kId, "Example App"}, {"com.vendor.tool", "Tool"}, {"com.google.Chrome", "Google Chrome"}, {kId, "Example App"}};
    for (const auto& [id, name] : apps)
        EXPECT_EQ(find(home.fp, id, name, std::nullopt, &cache), find(home.fp, id, name)) << id.toStdString();
    for (const SearchRoot& root : AppScanner::searchRoots(home.h))
        EXPECT_LE(cache.timesListed(root.base), 1) << root.base.toStdString();
    EXPECT_EQ(cache.timesListed(home.L + "/Caches"), 1);
    EXPECT_EQ(cache.timesListed(home.L + "/Caches/Vendor"), 1);
}

TEST(LeftoverFinder, VendorFoldersJoinTheList)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString L = t.library();
    t.write(L + "/Application Support/Google/Chrome/Default/History", "h");
    t.write(L + "/Caches/Google/Chrome/Default/Cache/data_0", "c");
    t.write(t.home() + "/Library/Logs/Google Chrome/updater.log", "l");
    t.mkdir(L + "/Caches/com.google.Chrome");
    t.write(L + "/Preferences/com.google.Chrome.plist", "p");
    t.mkdir(L + "/Application Support/Google/Drive");  // the vendor's other product stays
    const auto chrome = find(fp, "com.google.Chrome", "Google Chrome");
    EXPECT_EQ(pathsOf(chrome), (QStringList{L + "/Application Support/Google/Chrome", L + "/Caches/Google/Chrome",
                                            L + "/Caches/com.google.Chrome", L + "/Preferences/com.google.Chrome.plist",
                                            t.home() + "/Library/Logs/Google Chrome"}));
    EXPECT_EQ(labelsOf(chrome), (QStringList{"Application Support", "Caches", "Caches", "Preferences", "Logs"}));

    t.mkdir("/Library/SystemExtensions/AAAA/com.adguard.mac.adguard.network-extension.systemextension");
    t.mkdir("/Library/Application Support/AdGuard Software");
    const auto adguard = find(fp, "com.adguard.mac.adguard", "AdGuard");
    EXPECT_EQ(pathsOf(adguard),
              (QStringList{"/Library/Application Support/AdGuard Software",
                           "/Library/SystemExtensions/AAAA/com.adguard.mac.adguard.network-extension.systemextension"}));
    EXPECT_EQ(labelsOf(adguard), (QStringList{"Application Support", "Helper Tools"}));
}

TEST(LeftoverFinder, GivenRootsReplaceTheLibraryRoots)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString L = t.library();
    t.mkdir(L + "/Caches/com.example.app");          // a direct path: always looked at
    t.mkdir(L + "/Caches/com.example.app.helper");   // a Caches child: only with the library roots
    t.mkdir(L + "/Custom/com.example.app.data");
    t.mkdir(L + "/Custom/Vendor/com.example.app");   // found by the nested walk of a "Caches" root
    t.mkdir(L + "/Other/Vendor/com.example.app");    // no walk for this label
    t.mkdir(L + "/Other/com.example.app.other");
    const std::vector<SearchRoot> roots{{L + "/Custom", "Caches"}, {L + "/Other", "Receipts"}, {L + "/Missing", "Logs"}};
    const auto items = AppScanner::findLeftovers(fp, kId, "", roots, std::nullopt);
    EXPECT_EQ(pathsOf(items), (QStringList{L + "/Caches/com.example.app", L + "/Custom/Vendor/com.example.app",
                                           L + "/Custom/com.example.app.data", L + "/Other/com.example.app.other"}));
    EXPECT_EQ(labelsOf(items), (QStringList{"Caches", "Caches", "Caches", "Receipts"}));
    EXPECT_TRUE(pathsOf(find(fp, kId, "")).contains(L + "/Caches/com.example.app.helper"));
}

TEST(LeftoverFinder, TheStandardFormShortcutAgreesWithTheFullRules)
{
    for (const QString p : {"/", "//", "/a", "/a/", "/a//b", "/a/./b", "/a/../b", "/a/.", "/a/..", "/a/.b", "/a/..b",
                            "/a/b.", "/a/b..", "/.", "/..", "/...", "a/b", "", "/Users/x/Library/Caches/com.x.app",
                            "/a/b/../../..", "/a/./", "/a/.../b"})
        EXPECT_EQ(standardizedPath(p), path::standardized(p)) << p.toStdString();
}

TEST(LeftoverFinder, PruningKeepsTheOutermostItemsInLengthOrder)
{
    const std::vector<LeftoverItem> items{
        {"/a/b/c", 1, "Caches"}, {"/a/bc", 2, "Caches"}, {"/a/b", 3, "Logs"},
        {"/a/b.backup", 4, "Caches"}, {"/a/b/c/d", 5, "Caches"}, {"/x/", 6, "Caches"}, {"/x/y", 7, "Caches"},
    };
    const auto kept = AppScanner::pruneNestedLeftovers(items);
    EXPECT_EQ(pathsOf(kept), (QStringList{"/x/", "/a/b", "/a/bc", "/a/b.backup"}));
    EXPECT_EQ(kept[1].size, 3);
    EXPECT_EQ(kept[1].kindDescription, "Logs");
    EXPECT_TRUE(AppScanner::pruneNestedLeftovers({}).empty());
}

TEST(LeftoverFinder, ASingleScanPublishesOwnedSelectedRecordsOnTheRecord)
{
    ExampleHome home;
    AppScanner scanner(home.fp);
    AppFields f;
    f.name = "Example App";
    f.bundleIdentifier = kId;
    f.path = "/Applications/Example App.app";
    AppInfoPtr app = AppInfo::make(f);
    scanner.scanLeftovers(app);
    EXPECT_TRUE(app->isScanningLeftovers());
    EXPECT_TRUE(app->hasSingleLeftoverScan());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isScanningLeftovers(); }, 10000));
    const auto expected = find(home.fp, kId, "Example App", f.path);
    ASSERT_EQ(app->leftovers().size(), qsizetype(expected.size()));
    for (qsizetype i = 0; i < app->leftovers().size(); ++i) {
        const LeftoverPtr& l = app->leftovers()[i];
        EXPECT_EQ(l->path(), expected[size_t(i)].path);
        EXPECT_EQ(l->size(), expected[size_t(i)].size);
        EXPECT_EQ(l->kindDescription(), expected[size_t(i)].kindDescription);
        EXPECT_TRUE(l->isSelected());
        EXPECT_EQ(l->owner(), app);
    }
    EXPECT_GT(app->totalLeftoverSize(), 0);
}
