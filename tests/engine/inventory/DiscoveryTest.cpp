#include "engine/inventory/AppRecord.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/Discovery.h"
#include "engine/inventory/DiskSizes.h"
#include "platform/Path.h"
#include "platform/ThreadPool.h"
#include "support/Collect.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::BundleRecipe;
using tw::test::FakePlatform;

namespace {

QStringList names(const std::vector<AppDraft>& list)
{
    return tw::test::collect(list, [](const AppDraft& d) { return d.fields.name; });
}

const AppDraft& named(const std::vector<AppDraft>& list, const QString& name)
{
    for (const AppDraft& d : list)
        if (d.fields.name == name)
            return d;
    throw std::runtime_error("no application named " + name.toStdString());
}

} // namespace

TEST(Discovery, GroupsFoldersAndFamiliesAndLeavesSystemAppsAndNestedOnesOut)
{
    FakePlatform p;
    auto& t = p.tree();
    t.makeApp("/Applications/Zed.app", "dev.zed.Zed", "Zed");
    t.makeApp("/Applications/alpha.app", "com.example.alpha", "alpha");
    t.makeApp("/Applications/Safari.app", "com.apple.Safari", "Safari");
    t.makeApp("/Applications/Vendor/One.app", "com.vendor.one", "One");
    t.makeApp("/Applications/Vendor/Two.app", "com.vendor.two", "Two");
    t.makeApp("/Applications/Solo/Only.app", "com.solo.only", "Only");
    t.write("/Applications/Empty/readme.txt", "no applications here");
    t.makeApp("/Applications/AdGuard.app", "com.adguard.mac.adguard", "AdGuard");
    t.makeApp("/Applications/AdGuard VPN.app", "com.adguard.mac.vpn", "AdGuard VPN");
    t.makeApp("/System/Volumes/Data/Applications/Hidden.app", "com.example.hidden", "Hidden");
    t.makeApp(t.home() + "/Applications/Notion.app", "notion.id", "Notion");
    // The Utilities folder is met once, and Apple's utilities never.
    t.makeApp("/Applications/Utilities/Tool A.app", "com.example.a", "Tool A");
    t.makeApp("/Applications/Utilities/Tool B.app", "com.example.b", "Tool B");
    t.makeApp("/Applications/Utilities/Console.app", "com.apple.Console", "Console");
    t.makeApp("/Applications/Utilities/Helper.app", "com.apple.helperish", "Helper");
    // Its applications lie in an application folder all the same.
    t.makeApp("/Applications/Utilities/Tool A.app/Contents/GoogleUpdater.app", "com.google.GoogleUpdater.u", "Tool Updater");
    // Nested updaters are listed only from top-level bundles.
    t.makeApp("/Applications/Google Chrome.app", "com.google.Chrome", "Google Chrome");
    t.makeApp("/Applications/Google Chrome.app/Contents/Library/LaunchServices/GoogleUpdater.app", "com.google.GoogleUpdater",
              "GoogleUpdater");
    t.makeApp("/Applications/Xcode.app", "com.apple.dt.Xcode", "Xcode");
    t.makeApp("/Applications/Xcode.app/Contents/Library/GoogleUpdater.app", "com.google.GoogleUpdater.x", "Xcode Updater");
    t.makeApp("/Applications/Tools/Other.app", "com.tools.other", "Other");
    t.makeApp("/Applications/Tools/Other.app/Contents/GoogleUpdater.app", "com.google.GoogleUpdater.y", "Nested");

    const auto apps = discovery::discoverInstalledApps(p);
    ASSERT_EQ(names(apps), (QStringList{"AdGuard Group", "alpha", "Google Chrome", "GoogleUpdater", "Notion", "Only", "Other",
                                        "Tool Updater", "Utilities", "Vendor", "Xcode", "Zed"}));
    EXPECT_EQ(names(named(apps, "Utilities").members), (QStringList{"Tool A", "Tool B"}));

    const AppDraft& vendor = named(apps, "Vendor");
    EXPECT_EQ(vendor.fields.bundleIdentifier, "group.com.vendor.one");
    EXPECT_EQ(vendor.fields.path, "/Applications/Vendor");
    EXPECT_EQ(names(vendor.members), (QStringList{"One", "Two"}));
    EXPECT_GE(vendor.fields.appSize, vendor.members[0].fields.appSize + vendor.members[1].fields.appSize);

    const AppDraft& adguard = named(apps, "AdGuard Group");
    EXPECT_EQ(names(adguard.members), (QStringList{"AdGuard", "AdGuard VPN"}));
    EXPECT_EQ(adguard.fields.icon, IconRef::fileIcon("/Applications"));
    EXPECT_EQ(adguard.fields.bundleIdentifier, "group.com.adguard.mac.adguard");
    EXPECT_EQ(adguard.fields.appSize, adguard.members[0].fields.appSize + adguard.members[1].fields.appSize);
}

TEST(Discovery, PythonFoldersKeepIdleWithTheWholeSizeOrEachMembersOwn)
{
    FakePlatform p;
    auto& t = p.tree();
    t.makeApp("/Applications/Python 3.12/IDLE.app", BundleRecipe{.identifier = "org.python.IDLE", .name = "IDLE", .fileSize = 10000});
    t.makeApp("/Applications/Python 3.12/Python Launcher.app", "org.python.PythonLauncher", "Python Launcher");
    t.writeSized("/Applications/Python 3.12/ReadMe.rtf", 50000);
    t.writeSized("/Library/Frameworks/Python.framework/Versions/3.12/lib", 200000);
    t.makeApp("/Applications/Python 3.11/Python Launcher.app", "org.python.PythonLauncher", "Python Launcher");
    t.makeApp("/Applications/Python 3.11/Build Applet.app", "org.python.BuildApplet", "Build Applet");
    t.writeSized("/Applications/Python 3.11/Extras/big", 300000);

    const auto apps = discovery::discoverInstalledApps(p);
    ASSERT_EQ(names(apps), (QStringList{"Python 3.11", "Python 3.12"}));
    // With IDLE: IDLE alone stands for the folder and the framework.
    const AppDraft& withIdle = apps[1];
    ASSERT_EQ(names(withIdle.members), (QStringList{"IDLE"}));
    EXPECT_EQ(withIdle.fields.appSize, sizes::quickDiskUsage(p.fs(), "/Library/Frameworks/Python.framework")
                                           + sizes::quickDiskUsage(p.fs(), "/Applications/Python 3.12"));
    EXPECT_EQ(withIdle.members[0].fields.appSize, withIdle.fields.appSize);
    // Without: each member its own size, the folder carries the extras once.
    const AppDraft& without = apps[0];
    ASSERT_EQ(without.members.size(), 2u);
    std::int64_t memberSum = 0;
    for (const AppDraft& m : without.members) {
        EXPECT_EQ(m.fields.appSize, sizes::quickDiskUsage(p.fs(), m.fields.path));
        memberSum += m.fields.appSize;
    }
    EXPECT_GT(without.fields.appSize, memberSum);
    EXPECT_EQ(AppInfo::fromDraft(without)->displaySize(), without.fields.appSize);
}

TEST(Discovery, ScanPublishesOnTheGuiThread)
{
    FakePlatform p;
    p.tree().makeApp("/Applications/B.app", "com.example.b", "B");
    p.tree().makeApp("/Applications/a.app", "com.example.a", "a");
    AppScanner scanner(p);
    QSignalSpy published(&scanner, &AppScanner::appsChanged);
    scanner.scanInstalledApps();
    EXPECT_TRUE(scanner.isScanning());
    EXPECT_EQ(scanner.scanProgress(), QString::fromUtf8("Scanning all applications…"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scanner.isScanning(); }, 10000));
    EXPECT_EQ(published.count(), 1);
    EXPECT_TRUE(scanner.scanProgress().isEmpty());
    EXPECT_EQ(tw::test::collect(scanner.apps(), &AppInfo::name), (QStringList{"a", "B"}));
}

TEST(Discovery, FinishesWhenItsOwnTaskHoldsEveryPoolThread)
{
    FakePlatform p;
    for (int i = 0; i < 6; ++i)
        p.tree().makeApp(QStringLiteral("/Applications/App %1.app").arg(i), QStringLiteral("com.example.%1").arg(i), QStringLiteral("App %1").arg(i));
    p.tree().makeApp("/Applications/Suite/One.app", "com.suite.one", "One");
    p.tree().makeApp("/Applications/Suite/Two.app", "com.suite.two", "Two");
    QThreadPool& pool = enginePool();
    const int threads = pool.maxThreadCount();
    for (int limit : {1, 2}) {
        pool.setMaxThreadCount(limit);
        AppScanner scanner(p);
        scanner.scanInstalledApps();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !scanner.isScanning(); }, 60000)) << limit << " pool thread(s)";
        EXPECT_EQ(scanner.apps().size(), 7) << limit << " pool thread(s)";
        pool.waitForDone();
    }
    pool.setMaxThreadCount(threads);
}

// The walk that sizes a top-level bundle also finds its nested updaters:
// the same rules, order and bounds as a search of its own.
TEST(Discovery, TheSizingWalkFindsNestedUpdatersWithinTheirRulesAndBounds)
{
    FakePlatform p;
    auto& t = p.tree();
    const QString drive = "/Applications/Google Drive.app";
    t.makeApp(drive, "com.google.drive", "Google Drive");
    // Pre-order and name order; the walk goes on into the bundles it finds.
    t.makeApp(drive + "/Contents/Helpers/Drive Updater.app", "com.google.drive.updater", "Drive Updater");
    t.makeApp(drive + "/Contents/Helpers/Drive Updater.app/Contents/GoogleUpdater.app", "com.google.inner", "Inner");
    t.makeApp(drive + "/Contents/Library/GoogleUpdater.app", "com.google.lib", "Lib Updater");
    // Excluded folders, hidden folders and links are not searched.
    t.makeApp(drive + "/Contents/Developer/Platforms/X/GoogleUpdater.app", "com.google.platform", "Platform Updater");
    t.makeApp(drive + "/Contents/.cache/GoogleUpdater.app", "com.google.hidden", "Hidden Updater");
    t.makeApp("/Elsewhere/Outside/GoogleUpdater.app", "com.google.outside", "Outside Updater");
    t.symlink(drive + "/Contents/Linked", t.host("/Elsewhere/Outside"));
    // A bundle whose Contents is a link to another folder is not searched.
    t.mkdir("/Applications/Linked.app");
    t.symlink("/Applications/Linked.app/Contents", t.host("/Elsewhere"));
    // Away from Google, only the updater's own name counts.
    t.makeApp("/Applications/Plain.app", "com.plain.app", "Plain");
    t.makeApp("/Applications/Plain.app/Contents/Updater.app", "com.plain.updater", "Plain Updater");
    t.makeApp("/Applications/Plain.app/Contents/Frameworks/GoogleUpdater.app", "com.plain.google", "Plain Google Updater");
    // Depth: found 150 levels down, not 300 levels down.
    QString near = "/Applications/Deep.app/Contents", far = near;
    for (int level = 0; level < 300; ++level) {
        far += "/d";
        if (level < 150)
            near = far;
    }
    t.makeApp("/Applications/Deep.app", "com.deep.app", "Deep");
    t.makeApp(near + "/GoogleUpdater.app", "com.deep.near", "Near Updater");
    t.makeApp(far + "/GoogleUpdater.app", "com.deep.far", "Far Updater");
    // Only bundles lying directly in an application folder are searched.
    t.makeApp("/Applications/Suite/One.app", "com.suite.one", "One");
    t.makeApp("/Applications/Suite/One.app/Contents/GoogleUpdater.app", "com.suite.updater", "Suite Updater");
    t.makeApp("/Applications/Suite/Two.app", "com.suite.two", "Two");

    EXPECT_EQ(discovery::findNotableNestedApps(p.fs(), drive),
              (QStringList{drive + "/Contents/Helpers/Drive Updater.app",
                           drive + "/Contents/Helpers/Drive Updater.app/Contents/GoogleUpdater.app",
                           drive + "/Contents/Library/GoogleUpdater.app"}));
    EXPECT_EQ(discovery::findNotableNestedApps(p.fs(), "/Applications/Plain.app"),
              QStringList{"/Applications/Plain.app/Contents/Frameworks/GoogleUpdater.app"});
    EXPECT_TRUE(discovery::findNotableNestedApps(p.fs(), "/Applications/Linked.app").isEmpty());
    EXPECT_EQ(discovery::findNotableNestedApps(p.fs(), "/Applications/Deep.app"), QStringList{near + "/GoogleUpdater.app"});

    const auto apps = discovery::discoverInstalledApps(p);
    EXPECT_EQ(names(apps), (QStringList{"Deep", "Drive Updater", "Google Drive", "Inner", "Lib Updater", "Linked",
                                        "Near Updater", "Plain", "Plain Google Updater", "Suite"}));
    // Each bundle measures what a walk of its own measures, nested ones included.
    for (const AppDraft& d : apps) {
        if (d.members.empty()) {
            EXPECT_EQ(d.fields.appSize, sizes::quickDiskUsage(p.fs(), d.fields.path)) << d.fields.name.toStdString();
        }
    }
    EXPECT_EQ(names(named(apps, "Suite").members), (QStringList{"One", "Two"}));
}

// The search ends after 4,000 entries of Contents, counted in walk order.
TEST(Discovery, NestedUpdatersAreSearchedForInTheFirstFourThousandEntries)
{
    FakePlatform p;
    auto& t = p.tree();
    // Before the updater, in name order: the folder AAA and its files,
    // Info.plist, Library and LaunchServices; the updater is entry files + 5.
    auto make = [&](const QString& bundle, int files) {
        t.makeApp(bundle, "com.google." + path::baseName(bundle), path::baseName(bundle));
        for (int i = 0; i < files; ++i)
            t.write(bundle + QString("/Contents/AAA/f%1").arg(i, 5, 10, QLatin1Char('0')), "");
        t.makeApp(bundle + "/Contents/Library/LaunchServices/GoogleUpdater.app", "com.google.updater." + path::baseName(bundle),
                  "Updater of " + path::baseName(bundle));
    };
    make("/Applications/Inside.app", 3995);
    make("/Applications/Beyond.app", 3996);
    EXPECT_EQ(discovery::findNotableNestedApps(p.fs(), "/Applications/Inside.app"),
              QStringList{"/Applications/Inside.app/Contents/Library/LaunchServices/GoogleUpdater.app"});
    EXPECT_TRUE(discovery::findNotableNestedApps(p.fs(), "/Applications/Beyond.app").isEmpty());
    const auto apps = discovery::discoverInstalledApps(p);
    EXPECT_EQ(names(apps), (QStringList{"Beyond", "Inside", "Updater of Inside"}));
    // Past the bound the bundle is still measured whole.
    EXPECT_EQ(named(apps, "Beyond").fields.appSize, sizes::quickDiskUsage(p.fs(), "/Applications/Beyond.app"));
    EXPECT_GE(named(apps, "Beyond").fields.appSize, named(apps, "Inside").fields.appSize);
}

TEST(RecordBuilding, NameVersionAndDeveloperWithTheirFallbacks)
{
    FakePlatform p;
    p.tree().makeApp("/Applications/Plain.app", BundleRecipe{.withoutInfoPlist = true});
    const AppDraft plain = record::buildAppInfo(p, "/Applications/Plain.app", record::Sizing::Quick);
    EXPECT_EQ(plain.fields.name, "Plain");
    EXPECT_EQ(plain.fields.bundleIdentifier, "Plain");
    EXPECT_EQ(plain.fields.version, "");
    EXPECT_EQ(plain.fields.developer, "Unknown");
    EXPECT_FALSE(plain.fields.isSystemApp);

    BundleRecipe recipe{.identifier = "org.example.tool", .name = "Tool", .displayName = "Tool Pro", .version = "2.1", .binaryPlist = true};
    p.tree().makeApp("/Applications/Tool.app", recipe);
    const AppDraft d = record::buildAppInfo(p, "/Applications/Tool.app", record::Sizing::Quick);
    EXPECT_EQ(d.fields.name, "Tool Pro");
    EXPECT_EQ(d.fields.version, "2.1");
    EXPECT_EQ(d.fields.developer, "Example");

    recipe.identifier = "org..example";
    p.tree().makeApp("/Applications/Dots.app", recipe);
    EXPECT_EQ(record::buildAppInfo(p, "/Applications/Dots.app", record::Sizing::Quick).fields.developer, "Example");
    const QString longText = QString("Copyright © 2024 A Very Long Company Name, Incorporated. All rights reserved.").repeated(3);
    recipe.copyright = longText;
    p.tree().makeApp("/Applications/Long.app", recipe);
    EXPECT_EQ(record::buildAppInfo(p, "/Applications/Long.app", record::Sizing::Quick).fields.developer, longText);
}

TEST(RecordBuilding, SystemApplications)
{
    const struct {
        const char* path;
        const char* id;
        bool system;
    } rows[] = {
        {"/Applications/Safari.app", "com.apple.Safari", true},      {"/Users/x/Applications/Safari.app", "com.apple.Safari", true},
        {"/System/Volumes/Data/Applications/X.app", "org.x", true}, {"/SystemX/X.app", "org.x", true},
        {"/Volumes/y/System/Applications/X.app", "org.x", true},    {"/Applications/Utilities/X.app", "com.apple.x", true},
        {"/Applications/X.app", "com.apple.x", false},              {"/Applications/Utilities/X.app", "org.x", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(record::isBuiltInOrSystemApp(r.path, r.id), r.system) << r.path << " " << r.id;
}

TEST(RecordBuilding, LastUsedDatePrefersTheIndexAndRejectsTheImplausible)
{
    FakePlatform p;
    p.tree().makeApp("/Applications/A.app", "com.example.a", "A");
    const QDateTime modified(QDate(2025, 3, 1), QTime(8, 0), Qt::UTC);
    p.tree().setModified("/Applications/A.app", modified);
    p.tree().setAccessed("/Applications/A.app", QDateTime(QDate(2003, 1, 1), QTime(0, 0), Qt::UTC));

    // The index's date wins when plausible; one a year ahead falls back to the file dates.
    const QDateTime indexed(QDate(2026, 11, 30), QTime(9, 0), Qt::UTC);
    p.metadata.lastUsed.insert("/Applications/A.app", indexed);
    EXPECT_EQ(record::resolvedLastUsed(p, "/Applications/A.app"), indexed);
    p.metadata.lastUsed.insert("/Applications/A.app", p.clock.current.addYears(1));
    const auto fallback = record::resolvedLastUsed(p, "/Applications/A.app");
    ASSERT_TRUE(fallback);
    EXPECT_GE(*fallback, modified);  // the latest plausible file date
    EXPECT_LE(*fallback, p.clock.current.addSecs(86400));

    // The size walk does not move the date it reported.
    EXPECT_EQ(record::buildAppInfo(p, "/Applications/A.app", record::Sizing::Quick).fields.lastUsed, fallback);
    EXPECT_EQ(record::resolvedLastUsed(p, "/Missing.app"), std::nullopt);
}

TEST(RecordBuilding, QuickAndExactSizes)
{
    FakePlatform p;
    for (const char* name : {"/d/a", "/d/b", "/d/.c"})
        p.tree().writeSized(name, 1000);
    EXPECT_EQ(sizes::quickDiskUsage(p.fs(), "/d"), 3072);  // three files of 1,000 bytes: du prints 3
    EXPECT_EQ(sizes::directorySize(p.fs(), "/d"), 3000);
    EXPECT_EQ(sizes::directorySize(p.fs(), "/d/a"), 1000);
    EXPECT_EQ(sizes::quickDiskUsage(p.fs(), "/missing"), 0);
    EXPECT_EQ(sizes::directorySize(p.fs(), "/missing"), 0);
}

TEST(RecordBuilding, DocumentTypesAreCollectedDeduplicatedAndSorted)
{
    FakePlatform p;
    BundleRecipe recipe;
    recipe.identifier = "com.example.editor";
    recipe.extra = {
        {"CFBundleDocumentTypes",
         QVariantList{QVariantMap{{"CFBundleTypeExtensions", QVariantList{"txt", "JPG", "", "*"}}},
                      QVariantMap{{"CFBundleTypeExtensions", QVariantList{".txt", "jpg", 7}}}, QVariant("not a dictionary")}},
        {"UTExportedTypeDeclarations",
         QVariantList{QVariantMap{{"UTTypeTagSpecification", QVariantMap{{"public.filename-extension", "md"}}}},
                      QVariantMap{{"UTTypeTagSpecification", QVariantMap{{"public.filename-extension", QVariantList{"rtf"}}}}},
                      QVariantMap{{"UTTypeTagSpecification", "wrong type"}}}}};
    p.tree().makeApp("/Applications/Editor.app", recipe);
    EXPECT_EQ(record::documentTypeExtensions(p.fs(), "/Applications/Editor.app"),
              (QStringList{".*", ".JPG", ".jpg", ".md", ".rtf", ".txt"}));
    p.tree().makeApp("/Applications/None.app", BundleRecipe{.withoutInfoPlist = true});
    EXPECT_TRUE(record::documentTypeExtensions(p.fs(), "/Applications/None.app").isEmpty());
}
