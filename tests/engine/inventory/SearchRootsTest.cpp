#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/SearchRoots.h"
#include "support/Collect.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MacTree;

namespace {

QStringList bases(const std::vector<SearchRoot>& roots) { return tw::test::collect(roots, &SearchRoot::base); }
QStringList labels(const std::vector<SearchRoot>& roots) { return tw::test::collect(roots, &SearchRoot::label); }

} // namespace

TEST(SearchRoots, TheLibraryRootsAreFixedAndNeedNoDisk)
{
    const QString h = "/Users/nobody-here";
    const auto roots = searchroots::searchRoots(h);
    ASSERT_EQ(roots.size(), 43u);
    EXPECT_EQ(roots.front(), (SearchRoot{h + "/Library/Application Support", "Application Support"}));
    EXPECT_EQ(roots[4], (SearchRoot{h + "/Library/Preferences/ByHost", "Preferences"}));
    EXPECT_EQ(roots[30], (SearchRoot{"/Library/LaunchAgents", "Launch Agents"}));
    EXPECT_EQ(roots.back(), (SearchRoot{"/Users/Shared/Library", "Application Support"}));
    const QStringList all = bases(roots);
    EXPECT_EQ(labels(roots)[all.indexOf(h + "/Library/Application Support/CrashReporter")], "Logs");
    EXPECT_EQ(labels(roots)[all.indexOf("/Library/SystemExtensions")], "Plug-Ins");
    for (const SearchRoot& r : roots)
        EXPECT_TRUE(leftovers::leftoverCategoryOrder().contains(r.label)) << r.label.toStdString();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), 43);
}

TEST(SearchRoots, VendorExtrasFollowIdentifierAndName)
{
    MacTree t;
    const QString lib = t.library(), h = t.home();
    const QStringList chrome{lib + "/Application Support/Google/Chrome", lib + "/Caches/Google/Chrome", lib + "/Google/Chrome",
                             lib + "/Application Support/Google/Chrome-for-Testing", h + "/Library/Logs/Google Chrome"};
    const QStringList updater{lib + "/Caches/com.google.GoogleUpdater", lib + "/Caches/com.google.Keystone",
                              lib + "/Google/GoogleSoftwareUpdate", lib + "/HTTPStorages/com.google.GoogleUpdater"};
    const QStringList xcode{h + "/Library/Developer/Xcode", h + "/Library/Developer/CoreSimulator"};
    const QStringList cursor{lib + "/Caches/cursor-compile-cache", h + "/.cursor"};
    const struct {
        const char* id;
        const char* name;
        QStringList expected;
    } rows[] = {
        {"com.google.Chrome", "Google Chrome", chrome},
        {"COM.GOOGLE.CHROME.canary", "x", chrome},
        {"com.google.chrome.keystone", "x", chrome},  // the browser group wins over the updater's
        {"com.google.GoogleUpdater", "x", updater},
        {"com.example.x", "GoogleUpdater Helper", updater},
        {"com.google.chromecast", "x", {}},
        {"com.other.id", "XCODE", xcode},
        {"com.apple.dt.Xcode", "Xcode-beta", xcode},
        {"com.other.id", "My Xcode Helper", {}},
        {"com.example.cursor", "Cursor", cursor},
        {"com.example.cursor", "Cursor Beta", {}},
        {"com.todesktop.230313mzl4w4u92", "Editor", cursor},
        {"pl.maketheweb.cleanshotx", "CleanShot X", {lib + "/Application Support/CleanShot", lib + "/Caches/pl.maketheweb.cleanshotx"}},
        {"com.AppGeneration.myTuner", "x", {lib + "/Containers/com.AppGeneration.myTuner"}},  // the identifier's case
        {"com.example.notes", "Notes", {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(bases(searchroots::knownSupportExtras(t.fs(), r.id, r.name, lib)), r.expected) << r.id << " / " << r.name;

    const auto finalCut = searchroots::knownSupportExtras(t.fs(), "com.apple.FinalCut", "Final Cut Pro", lib);
    EXPECT_EQ(bases(finalCut), (QStringList{lib + "/Application Support/Final Cut Pro", lib + "/Application Support/Final Cut Pro User Data",
                                            lib + "/Application Support/Motion", lib + "/Caches/com.apple.FinalCut",
                                            h + "/Movies/Motion Templates.localized"}));
    EXPECT_EQ(labels(finalCut), (QStringList{"Application Support", "Application Support", "Application Support", "Caches",
                                             "Application Support"}));
}

TEST(SearchRoots, AdGuardExtrasListSystemExtensionsTwoLevelsWithoutFollowingLinks)
{
    MacTree t;
    t.write("/Library/SystemExtensions/AAAA-1111/com.adguard.mac.adguard.network-extension.systemextension/x", "1");
    t.write("/Library/SystemExtensions/AAAA-1111/com.other.ext.systemextension/x", "1");
    t.write("/Library/SystemExtensions/BBBB-2222/AdGuard Helper", "1");
    t.write("/Library/SystemExtensions/BBBB-2222/.adguard-hidden", "1");
    t.write("/Library/SystemExtensions/BBBB-2222/deeper/adguard.too-deep", "1");
    t.write("/elsewhere/adguard.smuggled", "1");
    t.symlink("/Library/SystemExtensions/CCCC-link", t.host("/elsewhere"));
    const auto extras = searchroots::knownSupportExtras(t.fs(), "com.adguard.mac.adguard", "AdGuard", t.library());
    EXPECT_EQ(bases(extras), (QStringList{"/Library/Application Support/AdGuard Software", "/Library/Logs/com.adguard.mac.adguard",
                                          "/Library/SystemExtensions/AAAA-1111/com.adguard.mac.adguard.network-extension.systemextension",
                                          "/Library/SystemExtensions/BBBB-2222/AdGuard Helper"}));
    EXPECT_EQ(labels(extras), (QStringList{"Application Support", "Logs", "Helper Tools", "Helper Tools"}));
}

TEST(SearchRoots, TemporaryFoldersMatchTheIdentifierInCAndT)
{
    MacTree t;
    const QString base = "/private/var/folders/xx/yyyy";
    t.mkdir(base + "/C/com.example.app.shared");
    t.mkdir(base + "/C/com.example.application");
    t.mkdir(base + "/C/Com.Example.App");
    t.write(base + "/T/com.example.app", "t");
    t.mkdir(base + "/X/com.example.app");      // only C and T are searched
    t.mkdir(base + "/C/sub/com.example.app");  // nor anything deeper
    t.mkdir("/private/var/folders/zz/wwww/T/com.example.app.helper");
    t.mkdir("/elsewhere/yyyy/C/com.example.app.smuggled");
    t.symlink("/private/var/folders/ll", t.host("/elsewhere"));
    EXPECT_EQ(searchroots::varFolderEntries(t.fs(), "com.example.app"),
              (QStringList{base + "/C/Com.Example.App", base + "/C/com.example.app.shared", base + "/T/com.example.app",
                           "/private/var/folders/zz/wwww/T/com.example.app.helper"}));
    EXPECT_TRUE(searchroots::varFolderEntries(t.fs(), "").isEmpty());
    EXPECT_TRUE(searchroots::varFolderEntries(MacTree().fs(), "com.example.app").isEmpty());
}

TEST(SearchRoots, NestedWalkStopsAtDepthBundlesHitsAndLinks)
{
    MacTree t;
    const QString caches = t.library() + "/Caches";
    t.mkdir(caches + "/com.example.app/com.example.app.inner");  // a hit is not entered
    t.mkdir(caches + "/Vendor/Sub/com.example.app");
    t.mkdir(caches + "/Vendor/Sub/Deeper/com.example.app");      // one level too deep
    t.mkdir(caches + "/Vendor/com.example.app.helper");
    t.mkdir(caches + "/Vendor/com.example.application");
    t.mkdir(caches + "/Some.app/Contents/com.example.app");      // bundles are never entered
    t.mkdir(caches + "/Other.APP/com.example.app");
    t.mkdir(caches + "/.hidden/com.example.app");
    t.mkdir("/outside/com.example.app");
    t.symlink(caches + "/linked", t.host("/outside"));            // links are never followed
    t.write(caches + "/Vendor/COM.EXAMPLE.APP.plist", "p");
    EXPECT_EQ(searchroots::nestedBundleFolders(t.fs(), caches, "com.example.app", 2),
              (QStringList{caches + "/Vendor/COM.EXAMPLE.APP.plist", caches + "/Vendor/Sub/com.example.app",
                           caches + "/Vendor/com.example.app.helper", caches + "/com.example.app"}));
    EXPECT_EQ(searchroots::nestedBundleFolders(t.fs(), caches, "com.example.app", 0), (QStringList{caches + "/com.example.app"}));
    EXPECT_TRUE(searchroots::nestedBundleFolders(t.fs(), caches, "com.example.app", -1).isEmpty());
    EXPECT_TRUE(searchroots::nestedBundleFolders(t.fs(), caches + "/missing", "com.example.app", 2).isEmpty());
}

TEST(SearchRoots, SpotlightRunsTwentyQueriesAndFiltersItsAnswers)
{
    FakePlatform fp;
    const QString lib = fp.tree().library();
    const QString q = "kMDItemFSName == 'com.example.app'cd";
    fp.spotlight.answers[{lib, q}] = (lib + "/Caches/com.example.app\n\n" + lib + "/Stuff/com.example.app\r\n"
                                      "/Applications/Example.app\n/Applications/Example App.app\n" + lib + "/Developer/Xcode/com.example.app\n"
                                      + lib + "/x/DerivedData/com.example.app\n" + lib
                                      + "/Caches/UpdaterCache/com.example.app\nrelative/com.example.app\n")
                                         .toUtf8();
    fp.spotlight.answers[{"/Library", "kMDItemFSName == 'com.example.app.plist'cd"}] = "/Library/Preferences/com.example.app.plist\n";
    fp.spotlight.answers[{"/Users/Shared", q}] = QByteArray("/Users/Shared/\xff\xfe bad\n");
    QByteArray many;
    for (int i = 0; i < 50; ++i)
        many += "/private/var/folders/a/b/C/com.example.app." + QByteArray::number(i) + "\n";
    fp.spotlight.answers[{"/private/var/folders", "kMDItemFSName == 'com.example.app*'cd"}] = many;

    // Blank, relative, bundle, developer, updater and undecodable lines are dropped; 40 answers per query at most.
    const QStringList hits = searchroots::spotlightExactHits(fp, "com.example.app");
    ASSERT_EQ(hits.size(), 2 + 1 + 40) << hits.join(",").toStdString();
    EXPECT_EQ(hits.mid(0, 3), (QStringList{lib + "/Caches/com.example.app", lib + "/Stuff/com.example.app",
                                          "/Library/Preferences/com.example.app.plist"}));
    EXPECT_EQ(hits.last(), "/private/var/folders/a/b/C/com.example.app.39");

    const auto& calls = fp.spotlight.calls;
    ASSERT_EQ(calls.size(), 20u);
    EXPECT_EQ(calls[0], std::make_pair(lib, q));
    EXPECT_EQ(calls[1].second, "kMDItemFSName == 'com.example.app*'cd");
    EXPECT_EQ(calls[3].second, "kMDItemFSName == 'com.example.app.savedState'cd");
    EXPECT_EQ(calls[4].second, "kMDItemFSName == 'com.example.app.binarycookies'cd");
    EXPECT_EQ(calls[5].first, "/Library");
    EXPECT_EQ(calls[10].first, "/private/var/folders");
    EXPECT_EQ(calls[19].first, "/Users/Shared");
}

TEST(SearchRoots, SpotlightQueriesCarryTheIdentifierAsPlainText)
{
    FakePlatform fp;
    searchroots::spotlightExactHits(fp, "com.o'brien.*x?\\\"app");
    ASSERT_EQ(fp.spotlight.calls.size(), 20u);
    EXPECT_EQ(fp.spotlight.calls[0].second, "kMDItemFSName == 'com.o\\'brien.\\*x\\?\\\\\\\"app'cd");
    // Only the wildcard of the prefix query stays a wildcard.
    EXPECT_EQ(fp.spotlight.calls[1].second, "kMDItemFSName == 'com.o\\'brien.\\*x\\?\\\\\\\"app*'cd");
    fp.spotlight.calls.clear();
    EXPECT_TRUE(searchroots::spotlightExactHits(fp, "").isEmpty());
    EXPECT_TRUE(fp.spotlight.calls.empty());
}
