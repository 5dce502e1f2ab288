#include "engine/inventory/AppScanner.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MacTree;

namespace {

QStringList paths(const std::vector<SearchRoot>& roots)
{
    QStringList out;
    for (const SearchRoot& r : roots)
        out << r.base;
    return out;
}

QString labelOf(const std::vector<SearchRoot>& roots, const QString& base)
{
    for (const SearchRoot& r : roots)
        if (r.base == base)
            return r.label;
    return QStringLiteral("<absent>");
}

} // namespace

TEST(SearchRoots, TheLibraryRootsAreFixedAndNeedNoDisk)
{
    const auto roots = AppScanner::searchRoots("/Users/nobody-here");
    ASSERT_EQ(roots.size(), 43u);
    EXPECT_EQ(roots.front(), (SearchRoot{"/Users/nobody-here/Library/Application Support", "Application Support"}));
    EXPECT_EQ(roots[4], (SearchRoot{"/Users/nobody-here/Library/Preferences/ByHost", "Preferences"}));
    EXPECT_EQ(roots[29], (SearchRoot{"/Users/nobody-here/Library/CloudStorage", "Application Support"}));
    EXPECT_EQ(roots[30], (SearchRoot{"/Library/LaunchAgents", "Launch Agents"}));
    EXPECT_EQ(roots.back(), (SearchRoot{"/Users/Shared/Library", "Application Support"}));
    EXPECT_EQ(labelOf(roots, "/Users/nobody-here/Library/Application Support/CrashReporter"), "Logs");
    EXPECT_EQ(labelOf(roots, "/Users/nobody-here/Library/Daemon Containers"), "Containers");
    EXPECT_EQ(labelOf(roots, "/Library/StartupItems"), "Launch Agents");
    EXPECT_EQ(labelOf(roots, "/Library/SystemExtensions"), "Plug-Ins");
    // Every label is one of the finder's categories, and every base is distinct.
    for (const SearchRoot& r : roots)
        EXPECT_TRUE(AppScanner::leftoverCategoryOrder().contains(r.label)) << r.label.toStdString();
    const QStringList bases = paths(roots);
    EXPECT_EQ(QSet<QString>(bases.begin(), bases.end()).size(), 43);
    EXPECT_EQ(AppScanner::searchRoots("/Users/other").size(), 43u);
}

TEST(SearchRoots, VendorExtrasFollowIdentifierAndName)
{
    MacTree t;
    const FileSystem& fs = t.fs();
    const QString lib = t.library(), h = t.home();
    auto extras = [&](const QString& id, const QString& name) {
        return paths(AppScanner::knownSupportExtras(fs, id, name, lib));
    };
    const QStringList chrome = extras("com.google.Chrome", "Google Chrome");
    EXPECT_EQ(chrome, (QStringList{lib + "/Application Support/Google/Chrome", lib + "/Caches/Google/Chrome",
                                   lib + "/Google/Chrome", lib + "/Application Support/Google/Chrome-for-Testing",
                                   h + "/Library/Logs/Google Chrome"}));
    EXPECT_EQ(extras("COM.GOOGLE.CHROME.canary", "x"), chrome);
    // The updater group is not consulted when the browser group applies.
    EXPECT_EQ(extras("com.google.chrome.keystone", "x"), chrome);
    EXPECT_EQ(extras("com.google.GoogleUpdater", "x"),
              (QStringList{lib + "/Caches/com.google.GoogleUpdater", lib + "/Caches/com.google.Keystone",
                           lib + "/Google/GoogleSoftwareUpdate", lib + "/HTTPStorages/com.google.GoogleUpdater"}));
    EXPECT_EQ(extras("com.example.x", "GoogleUpdater Helper").size(), 4);
    EXPECT_TRUE(extras("com.google.chromecast", "x").isEmpty());

    const QStringList xcode{h + "/Library/Developer/Xcode", h + "/Library/Developer/CoreSimulator"};
    EXPECT_EQ(extras("com.other.id", "XCODE"), xcode);
    EXPECT_EQ(extras("com.apple.dt.Xcode", "Xcode-beta"), xcode);
    EXPECT_TRUE(extras("com.other.id", "My Xcode Helper").isEmpty());

    EXPECT_EQ(extras("com.example.cursor", "Cursor"), (QStringList{lib + "/Caches/cursor-compile-cache", h + "/.cursor"}));
    EXPECT_TRUE(extras("com.example.cursor", "Cursor Beta").isEmpty());
    EXPECT_EQ(extras("com.todesktop.230313mzl4w4u92", "Editor").size(), 2);

    EXPECT_EQ(extras("pl.maketheweb.cleanshotx", "CleanShot X"),
              (QStringList{lib + "/Application Support/CleanShot", lib + "/Caches/pl.maketheweb.cleanshotx"}));
    // The container keeps the identifier's case.
    EXPECT_EQ(extras("com.AppGeneration.myTuner", "x"), (QStringList{lib + "/Containers/com.AppGeneration.myTuner"}));

    const auto finalCut = AppScanner::knownSupportExtras(fs, "com.apple.FinalCut", "Final Cut Pro", lib);
    ASSERT_EQ(finalCut.size(), 5u);
    EXPECT_EQ(finalCut[0], (SearchRoot{lib + "/Application Support/Final Cut Pro", "Application Support"}));
    EXPECT_EQ(finalCut[1], (SearchRoot{lib + "/Application Support/Final Cut Pro User Data", "Application Support"}));
    EXPECT_EQ(finalCut[2], (SearchRoot{lib + "/Application Support/Motion", "Application Support"}));
    EXPECT_EQ(finalCut[3], (SearchRoot{lib + "/Caches/com.apple.FinalCut", "Caches"}));
    EXPECT_EQ(finalCut[4], (SearchRoot{h + "/Movies/Motion Templates.localized", "Application Support"}));
    EXPECT_TRUE(extras("com.example.notes", "Notes").isEmpty());
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
    const auto extras = AppScanner::knownSupportExtras(t.fs(), "com.adguard.mac.adguard", "AdGuard", t.library());
    EXPECT_EQ(paths(extras),
              (QStringList{"/Library/Application Support/AdGuard Software", "/Library/Logs/com.adguard.mac.adguard",
                           "/Library/SystemExtensions/AAAA-1111/com.adguard.mac.adguard.network-extension.systemextension",
                           "/Library/SystemExtensions/BBBB-2222/AdGuard Helper"}));
    EXPECT_EQ(extras.back().label, "Helper Tools");
    EXPECT_EQ(extras.front().label, "Application Support");
    EXPECT_EQ(extras[1].label, "Logs");
}

TEST(SearchRoots, TemporaryFoldersMatchTheIdentifierInCAndT)
{
    MacTree t;
    const QString base = "/private/var/folders/xx/yyyy";
    t.mkdir(base + "/C/com.example.app.shared");
    t.mkdir(base + "/C/com.example.application");
    t.mkdir(base + "/C/Com.Example.App");
    t.write(base + "/T/com.example.app", "t");
    t.mkdir(base + "/X/com.example.app");        // only C and T are searched
    t.mkdir(base + "/C/sub/com.example.app");    // nor anything deeper
    t.mkdir("/private/var/folders/zz/wwww/T/com.example.app.helper");
    t.mkdir("/elsewhere/yyyy/C/com.example.app.smuggled");
    t.symlink("/private/var/folders/ll", t.host("/elsewhere"));
    EXPECT_EQ(AppScanner::varFolderEntries(t.fs(), "com.example.app"),
              (QStringList{base + "/C/Com.Example.App", base + "/C/com.example.app.shared", base + "/T/com.example.app",
                           "/private/var/folders/zz/wwww/T/com.example.app.helper"}));
    EXPECT_TRUE(AppScanner::varFolderEntries(t.fs(), "").isEmpty());
    EXPECT_TRUE(AppScanner::varFolderEntries(t.fs(), "com.missing").isEmpty());
    MacTree bare;
    EXPECT_TRUE(AppScanner::varFolderEntries(bare.fs(), "com.example.app").isEmpty());
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
    EXPECT_EQ(AppScanner::nestedBundleFolders(t.fs(), caches, "com.example.app", 2),
              (QStringList{caches + "/Vendor/COM.EXAMPLE.APP.plist", caches + "/Vendor/Sub/com.example.app",
                           caches + "/Vendor/com.example.app.helper", caches + "/com.example.app"}));
    EXPECT_EQ(AppScanner::nestedBundleFolders(t.fs(), caches, "com.example.app", 0),
              (QStringList{caches + "/com.example.app"}));
    EXPECT_TRUE(AppScanner::nestedBundleFolders(t.fs(), caches, "com.example.app", -1).isEmpty());
    EXPECT_TRUE(AppScanner::nestedBundleFolders(t.fs(), caches + "/missing", "com.example.app", 2).isEmpty());
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
    fp.spotlight.answers[{"/Library", "kMDItemFSName == 'com.example.app.plist'cd"}] =
        "/Library/Preferences/com.example.app.plist\n";
    fp.spotlight.answers[{"/Users/Shared", q}] = QByteArray("/Users/Shared/\xff\xfe bad\n");
    QByteArray many;
    for (int i = 0; i < 50; ++i)
        many += "/private/var/folders/a/b/C/com.example.app." + QByteArray::number(i) + "\n";
    fp.spotlight.answers[{"/private/var/folders", "kMDItemFSName == 'com.example.app*'cd"}] = many;

    const QStringList hits = AppScanner::spotlightExactHits(fp, "com.example.app");
    ASSERT_EQ(hits.size(), 2 + 1 + 40) << hits.join(",").toStdString();
    EXPECT_EQ(hits[0], lib + "/Caches/com.example.app");
    EXPECT_EQ(hits[1], lib + "/Stuff/com.example.app");
    EXPECT_EQ(hits[2], "/Library/Preferences/com.example.app.plist");
    // A bundle-shaped hit is dropped; one named like the identifier is not.
    EXPECT_FALSE(hits.contains("/Applications/Example.app"));
    EXPECT_EQ(hits.last(), "/private/var/folders/a/b/C/com.example.app.39");

    ASSERT_EQ(fp.spotlight.calls.size(), 20u);
    EXPECT_EQ(fp.spotlight.calls[0], std::make_pair(lib, q));
    EXPECT_EQ(fp.spotlight.calls[1].second, "kMDItemFSName == 'com.example.app*'cd");
    EXPECT_EQ(fp.spotlight.calls[3].second, "kMDItemFSName == 'com.example.app.savedState'cd");
    EXPECT_EQ(fp.spotlight.calls[4].second, "kMDItemFSName == 'com.example.app.binarycookies'cd");
    EXPECT_EQ(fp.spotlight.calls[5].first, "/Library");
    EXPECT_EQ(fp.spotlight.calls[10].first, "/private/var/folders");
    EXPECT_EQ(fp.spotlight.calls[19].first, "/Users/Shared");
}

TEST(SearchRoots, SpotlightQueriesCarryTheIdentifierAsPlainText)
{
    FakePlatform fp;
    AppScanner::spotlightExactHits(fp, "com.o'brien.*x?\\\"app");
    ASSERT_EQ(fp.spotlight.calls.size(), 20u);
    EXPECT_EQ(fp.spotlight.calls[0].second, "kMDItemFSName == 'com.o\\'brien.\\*x\\?\\\\\\\"app'cd");
    // Only the wildcard of the prefix query stays a wildcard.
    EXPECT_EQ(fp.spotlight.calls[1].second, "kMDItemFSName == 'com.o\\'brien.\\*x\\?\\\\\\\"app*'cd");
    fp.spotlight.calls.clear();
    EXPECT_TRUE(AppScanner::spotlightExactHits(fp, "").isEmpty());
    EXPECT_TRUE(fp.spotlight.calls.empty());
}
