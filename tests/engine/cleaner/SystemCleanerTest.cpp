#include "Items.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/cleaner/Remains.h"
#include "platform/DiskUsage.h"
#include "platform/ThreadPool.h"
#include "support/Awaited.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QString kLib = QStringLiteral("/Users/tester/Library");
const QString kPrefs = kLib + "/Preferences";
const QString kSupport = kLib + "/Application Support";
const QString kTrash = QStringLiteral("/Users/tester/.Trash");

QList<RemovableItem> find(const FakePlatform& fp, const QSet<QString>& ids = {}, const QSet<QString>& names = {})
{
    return remains::findOrphans(fp.platform(), ids, names);
}

std::int64_t duSize(const FakePlatform& fp, const QString& p) { return DiskUsage::measure(fp.fs(), p)->allocatedKiBBytes(); }

// Lets every loader finish and delivers every result.
void settle()
{
    tw::waitForEnginePool();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

TEST(Remains, APreferenceFileWithATeamPrefixBecomesOneEntry)
{
    FakePlatform fp;
    const QString pref = kPrefs + "/ABCDE12345.com.example.tool.plist";
    fp.tree().writeSized(pref, 5000);
    const QDateTime when(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    fp.tree().setModified(pref, when);

    const auto items = find(fp);
    ASSERT_EQ(items.size(), 1);
    const RemovableItem& i = items[0];
    EXPECT_EQ(row(i), "Example | Preferences | " + kPrefs + " | on |  | -");
    EXPECT_EQ(i.path, pref);
    EXPECT_EQ(i.relatedPaths, QStringList{pref});
    EXPECT_EQ(i.size, duSize(fp, pref));
    EXPECT_GE(i.size, 5000);
    EXPECT_EQ(i.size % 1024, 0);
    EXPECT_EQ(i.modifiedDate, std::optional<QDateTime>(when));
    EXPECT_FALSE(i.isSelected);
    EXPECT_TRUE(i.icon.isNone());
}

TEST(Remains, FilesOfOneApplicationMergeIntoOneEntry)
{
    FakePlatform fp;
    const QString pref = kPrefs + "/com.example.tool.plist";
    const QString folder = kSupport + "/com.example.tool";
    const QString state = kSupport + "/group.com.example.tool";
    fp.tree().writeSized(pref, 100);
    fp.tree().writeSized(folder + "/db", 20000);
    fp.tree().writeSized(state + "/x", 3000);
    const QDateTime older(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC), newer(QDate(2025, 6, 1), QTime(0, 0), Qt::UTC);
    fp.tree().setModified(pref, older);
    fp.tree().setModified(folder, newer);
    fp.tree().setModified(state, older);

    const auto items = find(fp);
    ASSERT_EQ(items.size(), 1);
    const RemovableItem& i = items[0];
    EXPECT_EQ(i.title, "Example");
    EXPECT_EQ(i.path, pref);  // the first path added
    EXPECT_EQ(i.relatedPaths, (QStringList{pref, folder, state}));
    EXPECT_EQ(i.category, "3 related items");
    EXPECT_EQ(i.size, duSize(fp, pref) + duSize(fp, folder) + duSize(fp, state));
    EXPECT_EQ(i.modifiedDate, std::optional<QDateTime>(newer));
}

TEST(Remains, InstalledApplicationsAndTheirVendorsKeepTheirFiles)
{
    FakePlatform fp;
    fp.tree().write(kPrefs + "/com.example.tool.plist", "");     // vendor of com.example.app
    fp.tree().write(kPrefs + "/com.app.tool.helper.plist", "");  // below an installed identifier
    fp.tree().write(kPrefs + "/org.ab.tool.plist", "");          // above an installed identifier
    fp.tree().write(kPrefs + "/Foo.plist", "");                  // a single label: never
    fp.tree().write(kPrefs + "/acme.Widget.plist", "");          // vendor first: titled Widget, not by its vendor
    fp.tree().mkdir(kSupport + "/Acme Studio");
    fp.tree().mkdir(kSupport + "/acme tools");                   // lower-case first letter: never
    EXPECT_EQ(titles(find(fp)), (QStringList{"Ab", "Acme Studio", "App", "Example", "Widget"}));
    EXPECT_EQ(titles(find(fp, {"com.example.app", "com.app.tool", "org.ab.tool.pro", "com.acme.editor"}, {"AcmeStudio"})),
              QStringList());
}

TEST(Remains, PlatformNoiseAndTheMakersOwnFilesAreNeverOffered)
{
    FakePlatform fp;
    for (const char* name : {"Google", "CrashReporter", "Xcode", "default.store", ".hidden.tool", "group.com.apple.notes",
                             "com.apple.Safari", "Marrowind Helper", "com.marrowind.Tidewell", "systemgroup.com.x"})
        fp.tree().mkdir(kSupport + "/" + QString::fromUtf8(name));
    for (const char* name : {"com.apple.finder.plist", "apple.thing.plist", "com.marrowind.Tidewell.plist",
                             "ABCDE12345.com.apple.weather.plist", "x.com.apple.y.plist"})
        fp.tree().write(kPrefs + "/" + QString::fromUtf8(name), "");
    EXPECT_EQ(titles(find(fp)), QStringList());

    // An empty or missing library yields nothing either.
    FakePlatform bare;
    EXPECT_TRUE(find(bare).isEmpty());
    bare.tree().mkdir(kPrefs);
    bare.tree().mkdir(kSupport);
    EXPECT_TRUE(find(bare).isEmpty());
}

TEST(Remains, TheVideoEditorsFilesAreOfferedOnlyWhileItIsNotInstalled)
{
    FakePlatform fp;
    const QString scripts = kLib + "/Application Scripts/com.apple.FinalCut.FxAnalyzer";
    const QString container = kLib + "/Containers/com.apple.FinalCut.FxAnalyzer";
    const QString pref = kPrefs + "/com.apple.FinalCut.plist";
    fp.tree().mkdir(scripts);
    fp.tree().writeSized(container + "/Data/cache", 9000);
    fp.tree().write(pref, "prefs");

    const auto items = find(fp, {"com.example.other"});
    ASSERT_EQ(titles(items), (QStringList{"apple.finalcutapp", "lo"}));
    EXPECT_EQ(items[0].relatedPaths, (QStringList{pref, container}));
    EXPECT_EQ(items[0].category, "2 related items");
    EXPECT_EQ(items[1].category, "Application Scripts");
    EXPECT_EQ(items[1].size, 0);
    EXPECT_EQ(items[1].path, scripts);

    // A non-empty scripts folder is not offered.
    fp.tree().write(scripts + "/run.scpt", "script");
    EXPECT_EQ(titles(find(fp)), QStringList{"apple.finalcutapp"});

    // Installed: none of its files are remains.
    EXPECT_TRUE(find(fp, {"com.apple.FinalCut"}).isEmpty());
    fp.tree().write(scripts + "/run.scpt", "");
    EXPECT_TRUE(find(fp, {"com.apple.finalcutapp.helper"}).isEmpty());
}

TEST(Remains, EntriesAreSortedByTitleIgnoringCaseAndTeamPrefixesAreEightToTwelveCapitals)
{
    FakePlatform fp;
    fp.tree().mkdir(kSupport + "/Yak");
    fp.tree().mkdir(kSupport + "/x.com.thing");  // kept as its own title
    fp.tree().write(kPrefs + "/com.charlie.y.plist", "");
    fp.tree().mkdir(kSupport + "/net.bravo.z");
    fp.tree().mkdir(kSupport + "/Zeta.savedState");
    for (const char* name : {"ABCDEFGH.com.eight.x", "ABCDEFGHIJ12.com.twelve.x", "ABCDEFGHIJKLM.com.thirteen.x",
                             "ABCDEFG.com.seven.x", "abcdefgh.com.lower.x"})
        fp.tree().write(kPrefs + "/" + name + ".plist", "");
    EXPECT_EQ(titles(find(fp)), (QStringList{"ABCDEFG.com.seven.x", "abcdefgh.com.lower.x", "ABCDEFGHIJKLM.com.thirteen.x", "Bravo",
                                             "Charlie", "Eight", "Twelve", "x.com.thing", "Yak", "Zeta"}));
}

TEST(TrashSelected, OnlySelectedSafePathsMoveAndTheReportSaysWhich)
{
    FakePlatform fp;
    const QString pref = kPrefs + "/com.gone.tool.plist";
    const QString support = kSupport + "/com.gone.tool";
    const QString logs = kLib + "/Logs/Gone Tool";
    const QString lone = kLib + "/Caches/com.lone.thing";
    const QString skipped = kLib + "/Caches/com.kept.thing";
    for (const QString& p : {pref, support + "/db", logs + "/a.log", lone + "/c", skipped + "/c"})
        fp.tree().write(p, p.toUtf8());
    fp.tree().makeApp("/Applications/Gone.app", "com.gone.tool", "Gone");

    SystemCleaner cleaner(fp.platform());
    const QList<RemovableItem> remains{
        entryAt(pref, true, {pref, support, kLib + "/Caches", logs, "/Applications/Gone.app"}),
        entryAt(lone, true),
        entryAt(skipped, false),
    };
    cleaner.setRemainingFiles(remains);

    const RemovalReport r = tw::test::trashed(cleaner, remains);
    EXPECT_EQ(r.moved, (QStringList{pref, support, logs, lone}));
    EXPECT_EQ(r.failedPaths(), (QStringList{kLib + "/Caches", "/Applications/Gone.app"}));
    EXPECT_EQ(fp.tree().read(kTrash + "/com.gone.tool.plist"), pref.toUtf8());
    EXPECT_EQ(fp.tree().read(kTrash + "/com.gone.tool/db"), (support + "/db").toUtf8());
    EXPECT_EQ(fp.tree().read(kTrash + "/Gone Tool/a.log"), (logs + "/a.log").toUtf8());
    EXPECT_EQ(fp.tree().read(kTrash + "/com.lone.thing/c"), (lone + "/c").toUtf8());
    for (const QString& stays : {skipped + "/c", kLib + "/Caches", QString("/Applications/Gone.app")})
        EXPECT_TRUE(fp.tree().exists(stays)) << stays.toStdString();
    // The engine keeps what did not move (the entry with a stuck file, still
    // ticked) and the unticked entry; the count follows the list.
    EXPECT_EQ(cleaner.remainingFiles().size(), 2);
    EXPECT_TRUE(cleaner.remainingFiles().front().isSelected);
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 2);
    EXPECT_EQ(r.keptEntries, QStringList{remains[0].title});
}

TEST(TrashSelected, AFailedMoveIsSilentAndTheOthersStillGo)
{
    FakePlatform fp;
    const QString stuck = kLib + "/Caches/com.stuck.one";
    const QString free = kLib + "/Caches/com.free.one";
    fp.tree().write(stuck, "s");
    fp.tree().write(free, "f");
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(fp.fs().toHost(stuck).constData(), 4242, 4242), 0);
    }
    fp.trash->fail = [&](const QString& p) -> std::optional<Error> {
        if (p == stuck)
            return Error{kCocoaErrorDomain, 512, QStringLiteral("strange")};
        return std::nullopt;
    };
    SystemCleaner cleaner(fp.platform());
    const RemovalReport r = tw::test::trashed(cleaner, {entryAt(stuck, true), entryAt(free, true), entryAt(free, true, {free, stuck})});
    EXPECT_EQ(r.moved, QStringList{free});
    EXPECT_EQ(r.failedPaths(), QStringList{stuck});
    EXPECT_EQ(fp.trash->calls, (QStringList{stuck, free}));  // each path tried once
    EXPECT_TRUE(fp.admin->calls.empty());

    // Nothing selected: nothing is tried.
    fp.trash->calls.clear();
    const RemovalReport none = tw::test::trashed(cleaner, {entryAt(stuck, false), entryAt(free, false)});
    EXPECT_TRUE(none.moved.isEmpty() && none.failures.isEmpty());
    EXPECT_TRUE(fp.trash->calls.isEmpty());
}

TEST(SystemCleaner, RemainsScanPublishesItsListCountAndClearsItsState)
{
    FakePlatform fp;
    SystemCleaner cleaner(fp.platform());
    EXPECT_TRUE(cleaner.remainingFiles().isEmpty() && cleaner.startupItems().isEmpty() && cleaner.extensions().isEmpty());
    EXPECT_FALSE(cleaner.isScanningRemaining() || cleaner.isScanningStartup() || cleaner.isScanningExtensions());
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 0);

    fp.tree().write(kPrefs + "/com.alpha.one.plist", "");
    fp.tree().write(kPrefs + "/com.beta.two.plist", "");
    QSignalSpy count(&cleaner, &SystemCleaner::orphanCountChanged);
    cleaner.scanRemainingFiles({}, {}, Rescan::IfIdle);
    EXPECT_TRUE(cleaner.isScanningRemaining());
    EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Looking for remaining files\u2026"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningRemaining(); }, 10000));
    EXPECT_EQ(titles(cleaner.remainingFiles()), (QStringList{"Alpha", "Beta"}));
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 2);
    EXPECT_EQ(count.count(), 1);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());

    // A scan that finds nothing empties the list and the count.
    cleaner.scanRemainingFiles({"com.alpha.one", "com.beta.two"}, {}, Rescan::IfIdle);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningRemaining(); }, 10000));
    EXPECT_TRUE(cleaner.remainingFiles().isEmpty());
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 0);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());

    // A running scan is joined unless forced.
    QSignalSpy published(&cleaner, &SystemCleaner::remainingFilesChanged);
    cleaner.scanRemainingFiles({}, {}, Rescan::IfIdle);
    cleaner.scanRemainingFiles({}, {}, Rescan::IfIdle);  // ignored: one runs
    settle();
    EXPECT_EQ(published.count(), 1);
    cleaner.scanRemainingFiles({}, {}, Rescan::IfIdle);
    cleaner.scanRemainingFiles({}, {}, Rescan::Force);  // forced: a second one runs, and only it publishes
    settle();
    EXPECT_EQ(published.count(), 2);
    EXPECT_FALSE(cleaner.isScanningRemaining());
    EXPECT_EQ(cleaner.remainingFiles().size(), 2);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
}

TEST(SystemCleaner, StartupAndExtensionScansHaveNoGuardShareTheProgressTextAndOnlyTheLatestPublishes)
{
    FakePlatform fp;
    fp.tree().writePlist(kLib + "/LaunchAgents/org.x.plist", {{"Label", "org.x"}});
    fp.tree().writeSized("/Library/Screen Savers/alpha.saver/x", 10);
    SystemCleaner cleaner(fp.platform());
    QSignalSpy startup(&cleaner, &SystemCleaner::startupItemsChanged);
    QSignalSpy extensions(&cleaner, &SystemCleaner::extensionsChanged);

    cleaner.scanRemainingFiles({}, {}, Rescan::IfIdle);
    cleaner.scanStartupItems();
    EXPECT_TRUE(cleaner.isScanningStartup());
    EXPECT_TRUE(cleaner.isScanningRemaining());
    EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Scanning startup items\u2026"));
    cleaner.scanStartupItems();
    cleaner.scanExtensions();
    cleaner.scanExtensions();
    EXPECT_TRUE(cleaner.isScanningExtensions());
    EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Scanning extensions\u2026"));
    settle();
    // Two of each ran; only the later started one publishes.
    EXPECT_EQ(startup.count(), 1);
    EXPECT_EQ(extensions.count(), 1);
    EXPECT_FALSE(cleaner.isScanningStartup() || cleaner.isScanningExtensions() || cleaner.isScanningRemaining());
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
    EXPECT_EQ(titles(cleaner.startupItems()), QStringList{"org.x"});
    EXPECT_EQ(titles(cleaner.extensions()), QStringList{"alpha"});
}

TEST(SystemCleaner, RemovableItemsAreEqualByPathAloneAndExtensionGroupsComeOnlyFromTheirExactNames)
{
    RemovableItem a = entryAt("/Users/tester/Library/Caches/x", false), b = entryAt(a.path, true), c = entryAt(a.path + "y", false);
    b.title = "Other";
    EXPECT_NE(a.id, b.id);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_FALSE(a == c);
    EXPECT_EQ(QSet<RemovableItem>({a, b, c}).size(), 2);

    const QStringList names{"Installation Files", "Web Browser Extensions", "Screen Savers",
                            "Settings Panes",     "Internet Plugins",       "Widgets"};
    ASSERT_EQ(allExtensionCategories().size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(displayName(allExtensionCategories()[i]), names[i]);
        EXPECT_EQ(extensionCategoryFromString(names[i]), allExtensionCategories()[i]);
    }
    EXPECT_EQ(extensionCategoryFromString("Widgets"), ExtensionCategoryKind::widgets);
    for (const char* text : {"widgets", "Widgets ", "Internet Plug-ins", ""})
        EXPECT_EQ(extensionCategoryFromString(text), std::nullopt) << text;
}
