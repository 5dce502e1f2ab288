#include "engine/inventory/AppScanner.h"
#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/LeftoverSearchCache.h"
#include "engine/inventory/OwnershipRules.h"
#include "engine/inventory/SafetyTest.h"
#include "engine/inventory/SearchRoots.h"
#include "platform/Path.h"
#include "support/Collect.h"
#include "support/FakePlatform.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MacTree;

namespace {

const QString kId = QStringLiteral("com.example.app");

std::vector<LeftoverItem> find(const Platform& p, const QString& id, const QString& name,
                               const std::optional<QString>& exclude = std::nullopt, LeftoverSearchCache* cache = nullptr)
{
    return leftovers::findLeftovers(p, id, name, std::nullopt, exclude, cache);
}

QStringList pathsOf(const std::vector<LeftoverItem>& items) { return tw::test::collect(items, &LeftoverItem::path); }
QStringList labelsOf(const std::vector<LeftoverItem>& items) { return tw::test::collect(items, &LeftoverItem::kindDescription); }

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
        t.writeSized(L + "/Caches/com.example.app/Cache.db", 5000);
        for (const QString& f : {L + "/Application Scripts/com.example.app/run.scpt", L + "/Preferences/com.example.app.plist",
                                 L + "/Caches/com.example.app.backup/old", L + "/HTTPStorages/com.example.app.binarycookies",
                                 L + "/Saved Application State/com.example.app.savedState/data.data",
                                 L + "/Application Support/com.example.app/store.db", L + "/LaunchAgents/com.example.app.agent.plist",
                                 QString("/Library/LaunchDaemons/com.example.app.helper.plist"),
                                 QString("/Library/PrivilegedHelperTools/com.example.app.helper"),
                                 L + "/Application Support/Example App/settings.json",
                                 L + "/Application Support/Example App/com.example.app.plist",
                                 L + "/Preferences/ByHost/com.example.app.0A1B2C3D.plist",
                                 QString("/Users/Shared/LaunchDaemonsOld/com.example.app.plist"),
                                 // Not the application's.
                                 L + "/Preferences/com.example.apphelper.plist", L + "/Application Support/Other/com.example.app.plist"})
            t.write(f, "x");
        for (const QString& d : {L + "/Caches/ExampleApp", h + "/.exampleapp", QString("/private/var/folders/zz/abc123/C/com.example.app"),
                                 L + "/Group Containers/ABCDE12345.com.example.app", L + "/Containers/com.example.app.widget",
                                 L + "/Caches/Vendor/Sub/com.example.app", L + "/Logs/Example App",
                                 L + "/Input Methods/com.example.app.inputmethod", QString("/Library/Caches/com.example.app"),
                                 // Not the application's.
                                 QString("/private/var/folders/zz/abc123/T/other.thing"), L + "/Caches/com.example.apphelper",
                                 L + "/Containers/com.other.app", L + "/Caches/updatercache/com.example.app",
                                 L + "/Group Containers/group.com.apple.notes", L + "/Group Containers/XYZ9876543.com.example",
                                 L + "/Caches/.com.example.app.hidden", h + "/Documents/com.example.app"})
            t.mkdir(d);
        t.makeApp(L + "/Application Support/com.example.app.helper.app", "com.example.app.helper", "Helper");

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
    const std::vector<std::pair<QString, QString>> expected{
        {home.h + "/.exampleapp", "Application Support"},
        {L + "/Application Scripts/com.example.app", "Application Support"},
        {L + "/Application Support/com.example.app", "Application Support"},
        {L + "/Application Support/Example App", "Application Support"},
        // By name without regard to case.
        {"/Library/Caches/com.example.app", "Caches"},
        {L + "/Caches/com.example.app", "Caches"},
        {"/private/var/folders/zz/abc123/C/com.example.app", "Caches"},
        {L + "/Caches/Vendor/Sub/com.example.app", "Caches"},
        {L + "/Caches/com.example.app.backup", "Caches"},
        {L + "/HTTPStorages/com.example.app.binarycookies", "Caches"},
        {L + "/Caches/ExampleApp", "Caches"},
        {L + "/Containers/com.example.app", "Containers"},
        {L + "/Containers/com.example.app.widget", "Containers"},
        {L + "/Group Containers/ABCDE12345.com.example.app", "Group Containers"},
        {L + "/Preferences/ByHost/com.example.app.0A1B2C3D.plist", "Preferences"},
        {L + "/Preferences/com.example.app.plist", "Preferences"},
        {L + "/Logs/Example App", "Logs"},
        {L + "/Saved Application State/com.example.app.savedState", "Saved State"},
        {L + "/LaunchAgents/com.example.app.agent.plist", "Launch Agents"},
        {"/Library/LaunchDaemons/com.example.app.helper.plist", "Launch Daemons"},
        {"/Users/Shared/LaunchDaemonsOld/com.example.app.plist", "Launch Daemons"},
        {"/Library/PrivilegedHelperTools/com.example.app.helper", "Helper Tools"},
        {L + "/Input Methods/com.example.app.inputmethod", "Input Methods"},
    };
    // Each path once (the cache folder is a direct path, a Caches child, a
    // nested walk hit and a Spotlight hit), with the label of its first
    // source; the Spotlight hit inside the support folder is pruned, while
    // <id>.backup beside <id> stays; no foreign file, bundle or hidden file.
    std::vector<std::pair<QString, QString>> found;
    for (const LeftoverItem& i : items)
        found.emplace_back(i.path, i.kindDescription);
    EXPECT_EQ(found, expected);
    // Sizes are apparent sizes in whole KiB, as du prints them.
    ASSERT_EQ(items.size(), expected.size());
    EXPECT_EQ(items[5].size, 5120);
    EXPECT_EQ(items[11].size, 1024);
    EXPECT_EQ(items[10].size, 0);

    // Only the exact bundle path is excluded, however it is written.
    const auto without = find(home.fp, kId, "Example App", QString(L + "/Caches/./Vendor/../com.example.app"));
    EXPECT_FALSE(pathsOf(without).contains(L + "/Caches/com.example.app"));
    EXPECT_TRUE(pathsOf(without).contains(L + "/Caches/com.example.app.backup"));
    EXPECT_EQ(find(home.fp, kId, "Example App").size(), without.size() + 1);
}

TEST(LeftoverFinder, BlankOrUnusableIdentifiersAndNamesFindNothing)
{
    ExampleHome home;
    EXPECT_TRUE(find(home.fp, "   \n", "Example App").empty());
    EXPECT_TRUE(find(home.fp, "", "Example App").empty());
    // An identifier no bundle can carry must not steer paths elsewhere.
    home.t.write(home.h + "/Documents/taxes/2025.pdf", "t");
    EXPECT_TRUE(find(home.fp, "com.ituner/../../../Documents/taxes", "Radio").empty());
    EXPECT_TRUE(home.fp.spotlight.calls.empty());  // nothing was read
    // Surrounding blanks are trimmed.
    EXPECT_FALSE(find(home.fp, "  com.example.app \n", "Example App").empty());

    // Aliases that are not a plain name are ignored.
    FakePlatform fp;
    MacTree& t = fp.tree();
    t.write(t.library() + "/Documents/private.txt", "x");
    t.write(t.home() + "/Documents/private.txt", "x");
    t.mkdir(t.library() + "/Caches/Sub/Folder");
    for (const QString name : {"../Documents", "..", "Sub/Folder", "../../Documents"})
        EXPECT_TRUE(find(fp, "com.example.tool", name).empty()) << name.toStdString();
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
        for (const QString& p : pathsOf(find(fp, "com.example." + name.toLower(), name)))
            EXPECT_NE(path::parent(p), h) << name.toStdString() << ": " << p.toStdString();
    }
    // The support folder of an application called SSH is still its own.
    EXPECT_EQ(pathsOf(find(fp, "com.example.ssh", "SSH")), (QStringList{t.library() + "/Application Support/SSH"}));
    // Other hidden home folders named after an application still count.
    EXPECT_EQ(pathsOf(find(fp, "com.todesktop.cursor", "Cursor")), (QStringList{h + "/.cursor"}));
}

TEST(LeftoverFinder, SpotlightHitsAreLabelledByWhereTheyLie)
{
    FakePlatform fp;
    const std::pair<QString, QString> hits[] = {
        {"/Users/Shared/a/C/com.example.app.c", "Caches"},           {"/Users/Shared/b/T/com.example.app.t", "Caches"},
        {"/Users/Shared/c/Caches/com.example.app.caches", "Caches"}, {"/Users/Shared/CACHES/com.example.app.upper", "Caches"},
        {"/Users/Shared/HTTPStorages/com.example.app.h", "Caches"},  {"/Users/Shared/d/WebKit/com.example.app.w", "Caches"},
        {"/Users/Shared/Elsewhere/com.example.app.e", "Caches"},     {"/Users/Shared/Preferences/com.example.app.p", "Preferences"},
        {"/Users/Shared/LaunchDaemonX/com.example.app.d", "Launch Daemons"},
        {"/Users/Shared/LaunchAgentX/com.example.app.a", "Launch Agents"},
    };
    QByteArray answer;
    QHash<QString, QString> expected;
    for (const auto& [hit, label] : hits) {
        fp.tree().write(hit, "x");
        answer += hit.toUtf8() + "\n";
        expected.insert(hit, label);
    }
    fp.spotlight.answers[{"/Users/Shared", "kMDItemFSName == 'com.example.app*'cd"}] = answer;
    QHash<QString, QString> got;
    for (const LeftoverItem& i : find(fp, kId, "Example"))
        got.insert(i.path, i.kindDescription);
    EXPECT_EQ(got, expected);
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
    fp.spotlight.answers[{t.library(), "kMDItemFSName == 'com.example.app'cd"}] = (caches + "/Vendor/com.example.app\n").toUtf8();
    fp.spotlight.answers[{t.library(), "kMDItemFSName == 'com.example.app*'cd"}] =
        (caches + "/Keys/com.example.app.keychain\n").toUtf8();
    EXPECT_EQ(pathsOf(find(fp, kId, "Example")), (QStringList{caches + "/com.example.app"}));
}

TEST(LeftoverFinder, PrefilteredListingsAgreeWithTheOwnershipRules)
{
    // A corpus of names in the Caches and Group Containers folders; the finder
    // must offer exactly those the rules accept.
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString caches = t.library() + "/Caches", groups = t.library() + "/Group Containers";
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
    for (const QString id : {"com.example.notes.mac", "com.example.notes", "notes"}) {
        QStringList expectCaches, expectGroups, gotCaches, gotGroups;
        for (const QString& n : names) {
            if (ownership::leafOwned(n, id.toLower(), "example notes", "examplenotes")
                && safety::isSafeToRemove(t.fs(), caches + "/" + n))
                expectCaches << n;
            if (ownership::groupContainerMatches(n, id))
                expectGroups << n;
        }
        for (const LeftoverItem& i : find(fp, id, "Example Notes")) {
            const QString parent = path::parent(i.path);
            if (parent == caches || parent == groups)
                (parent == caches ? gotCaches : gotGroups) << path::lastComponent(i.path);
        }
        for (QStringList* l : {&expectCaches, &expectGroups, &gotCaches, &gotGroups})
            l->sort();
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
    for (const SearchRoot& root : searchroots::searchRoots(home.h))
        EXPECT_LE(cache.timesListed(root.base), 1) << root.base.toStdString();
    EXPECT_EQ(cache.timesListed(home.L + "/Caches"), 1);
    EXPECT_EQ(cache.timesListed(home.L + "/Caches/Vendor"), 1);
}

TEST(LeftoverFinder, CachedListingsFindNamesBeyondTheBasicPlaneAndOwnersWithAccents)
{
    // Listings come in UTF-8 byte order, where a name beyond the basic plane
    // sorts after one in the private use area; UTF-16 units order them the
    // other way round, so a search by units would miss names.
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString caches = t.library() + "/Caches";
    const QStringList names{"A",           "a",           QStringLiteral("\u00e9"), QString(QChar(0xE000)),
                            QString(QChar(0xFFFD)), QStringLiteral("\U0001F600"),
                            QStringLiteral("\U0001F600b"), QStringLiteral("\U00010000")};
    for (const QString& n : names)
        t.write(caches + "/" + n, "x");
    LeftoverSearchCache cache(fp.fs());
    const CachedListing& listing = cache.listing(caches);
    for (const QString& n : names) {
        const CachedEntry* e = listing.find(n);
        ASSERT_NE(e, nullptr) << n.toStdString();
        EXPECT_EQ(e->name, n);
    }
    EXPECT_EQ(listing.find(u"b"), nullptr);
    EXPECT_EQ(listing.find(QStringLiteral("\U0001F601")), nullptr);

    // An identifier and a name with letters beyond ASCII: found in any case,
    // from the listing and through the folder rules.
    const QString id = QStringLiteral("com.\u00e9diteur.\U0001F600app");
    const QString name = QStringLiteral("\u00c9clair");
    t.mkdir(caches + "/" + id);
    t.write(t.library() + "/Preferences/" + id.toUpper() + ".plist", "p");
    t.write(t.library() + "/Application Support/" + name + "/state", "s");
    t.write(t.library() + "/Application Support/Other/" + id + ".plist", "o");
    EXPECT_EQ(pathsOf(find(fp, id, name)),
              (QStringList{t.library() + "/Application Support/" + name, caches + "/" + id,
                           t.library() + "/Preferences/" + id.toUpper() + ".plist"}));
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

    // A system extension passes the safety test and keeps its label.
    t.mkdir("/Library/SystemExtensions/AAAA/com.adguard.mac.adguard.network-extension.systemextension");
    t.mkdir("/Library/Application Support/AdGuard Software");
    const auto adguard = find(fp, "com.adguard.mac.adguard", "AdGuard");
    EXPECT_EQ(pathsOf(adguard), (QStringList{"/Library/Application Support/AdGuard Software",
                                             "/Library/SystemExtensions/AAAA/com.adguard.mac.adguard.network-extension.systemextension"}));
    EXPECT_EQ(labelsOf(adguard), (QStringList{"Application Support", "Helper Tools"}));
}

TEST(LeftoverFinder, GivenRootsReplaceTheLibraryRoots)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QString L = t.library();
    t.mkdir(L + "/Caches/com.example.app");         // a direct path: always looked at
    t.mkdir(L + "/Caches/com.example.app.helper");  // a Caches child: only with the library roots
    t.mkdir(L + "/Custom/com.example.app.data");
    t.mkdir(L + "/Custom/Vendor/com.example.app");  // found by the nested walk of a "Caches" root
    t.mkdir(L + "/Other/Vendor/com.example.app");   // no walk for this label
    t.mkdir(L + "/Other/com.example.app.other");
    const std::vector<SearchRoot> roots{{L + "/Custom", "Caches"}, {L + "/Other", "Receipts"}, {L + "/Missing", "Logs"}};
    const auto items = leftovers::findLeftovers(fp, kId, "", roots, std::nullopt);
    EXPECT_EQ(pathsOf(items), (QStringList{L + "/Caches/com.example.app", L + "/Custom/Vendor/com.example.app",
                                           L + "/Custom/com.example.app.data", L + "/Other/com.example.app.other"}));
    EXPECT_EQ(labelsOf(items), (QStringList{"Caches", "Caches", "Caches", "Receipts"}));
    EXPECT_TRUE(pathsOf(find(fp, kId, "")).contains(L + "/Caches/com.example.app.helper"));
}

TEST(LeftoverFinder, PruningKeepsTheOutermostItemsInLengthOrder)
{
    const std::vector<LeftoverItem> items{
        {"/a/b/c", 1, "Caches"},     {"/a/bc", 2, "Caches"},   {"/a/b", 3, "Logs"},    {"/a/b.backup", 4, "Caches"},
        {"/a/b/c/d", 5, "Caches"},   {"/x/", 6, "Caches"},     {"/x/y", 7, "Caches"},
    };
    const auto kept = leftovers::pruneNestedLeftovers(items);
    EXPECT_EQ(kept, (std::vector<LeftoverItem>{{"/x/", 6, "Caches"}, {"/a/b", 3, "Logs"}, {"/a/bc", 2, "Caches"},
                                               {"/a/b.backup", 4, "Caches"}}));
    EXPECT_TRUE(leftovers::pruneNestedLeftovers({}).empty());
}

TEST(LeftoverFinder, ASingleScanPublishesOwnedSelectedRecordsOnTheRecord)
{
    ExampleHome home;
    AppScanner scanner(home.fp);
    AppInfoPtr app = AppInfo::make({"Example App", kId, "/Applications/Example App.app"});
    scanner.scanLeftovers(app);
    EXPECT_TRUE(app->isScanningLeftovers());
    EXPECT_TRUE(app->hasSingleLeftoverScan());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isScanningLeftovers(); }, 10000));
    std::vector<LeftoverItem> published;
    for (const LeftoverPtr& l : app->leftovers()) {
        published.push_back({l->path(), l->size(), l->kindDescription()});
        EXPECT_TRUE(l->isSelected());
        EXPECT_EQ(l->owner(), app);
    }
    EXPECT_EQ(published, find(home.fp, kId, "Example App", app->path()));
    EXPECT_GT(app->totalLeftoverSize(), 0);
}
