// Overlapping scans of one list, and changes made while one runs: only the
// latest started scan publishes, and none made before a change lands after it.

#include "Items.h"
#include "engine/cleaner/Extensions.h"
#include "engine/cleaner/Remains.h"
#include "engine/cleaner/SystemCleaner.h"
#include "platform/ThreadPool.h"
#include "support/Awaited.h"
#include "support/ScanGates.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

using tw::test::LoaderGate;
using tw::test::StartupListingGate;
using tw::test::StartupScanGate;

namespace {

const QString kAgents = QStringLiteral("/Users/tester/Library/LaunchAgents");

void addAgent(FakePlatform& fp, const QString& label)
{
    fp.tree().writePlist(kAgents + "/" + label + ".plist", {{"Label", label}});
}

// Waits until no more than held jobs run on the engine pool, then delivers
// what the others handed back.
bool deliveredAllBut(int held)
{
    const bool done = QTest::qWaitFor([&] { return tw::enginePool().activeThreadCount() <= held; }, 60000);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return done;
}

} // namespace

TEST(ScanOrder, TheLatestStartedScanIsPublishedAndKeepsTheFlagOnUntilItLands)
{
    FakePlatform fp;
    addAgent(fp, "org.first");
    SystemCleaner cleaner(fp.platform());
    QSignalSpy published(&cleaner, &SystemCleaner::startupItemsChanged);

    // The first started lands last: its older list is dropped.
    {
        StartupListingGate older(fp);
        cleaner.scanStartupItems();
        ASSERT_TRUE(older.reached());
        addAgent(fp, "org.second");
        cleaner.scanStartupItems();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningStartup(); }, 60000));
        EXPECT_EQ(titles(cleaner.startupItems()), (QStringList{"org.first", "org.second"}));
        older.release();
        ASSERT_TRUE(deliveredAllBut(0));
    }
    EXPECT_EQ(titles(cleaner.startupItems()), (QStringList{"org.first", "org.second"}));
    EXPECT_EQ(published.count(), 1);
    EXPECT_FALSE(cleaner.isScanningStartup());

    // The first started lands first: the list stays, and so do the flag and
    // the text, until the newer one lands.
    addAgent(fp, "org.third");
    {
        StartupListingGate older(fp);
        cleaner.scanStartupItems();
        ASSERT_TRUE(older.reached());
        addAgent(fp, "org.fourth");
        StartupScanGate newer(fp);
        cleaner.scanStartupItems();
        ASSERT_TRUE(QTest::qWaitFor([&] { return newer.arrived() > 0; }, 60000));
        older.release();
        ASSERT_TRUE(deliveredAllBut(1));
        EXPECT_TRUE(cleaner.isScanningStartup());
        EXPECT_EQ(cleaner.progressMessage(), QStringLiteral("Scanning startup items\u2026"));
        EXPECT_EQ(titles(cleaner.startupItems()), (QStringList{"org.first", "org.second"}));
        EXPECT_EQ(published.count(), 1);
        newer.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningStartup(); }, 60000));
    }
    EXPECT_EQ(titles(cleaner.startupItems()), (QStringList{"org.first", "org.fourth", "org.second", "org.third"}));
    EXPECT_EQ(published.count(), 2);
    EXPECT_TRUE(cleaner.progressMessage().isEmpty());
}

TEST(ScanOrder, AnItemRemovedWhileAnOlderScanRunsDoesNotComeBack)
{
    FakePlatform fp;
    fp.tree().makeTrash();
    fp.launchd.answer = [](const QStringList&) { return ran(0); };
    addAgent(fp, "org.gone");
    addAgent(fp, "org.kept");
    SystemCleaner cleaner(fp.platform());
    cleaner.scanStartupItems();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningStartup(); }, 60000));
    ASSERT_EQ(titles(cleaner.startupItems()), (QStringList{"org.gone", "org.kept"}));

    StartupListingGate older(fp);
    cleaner.scanStartupItems();
    ASSERT_TRUE(older.reached());  // it has read both jobs
    tw::test::Awaited<Status> removed;
    cleaner.removeStartupItem(kAgents + "/org.gone.plist", removed.then());
    ASSERT_TRUE(removed.wait().ok());
    EXPECT_TRUE(fp.tree().exists(fp.fs().trash() + "/org.gone.plist"));
    EXPECT_EQ(titles(cleaner.startupItems()), QStringList{"org.kept"});

    older.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaner.isScanningStartup(); }, 60000));
    ASSERT_TRUE(deliveredAllBut(0));
    EXPECT_EQ(titles(cleaner.startupItems()), QStringList{"org.kept"});
    EXPECT_FALSE(cleaner.isScanningStartup());
}

TEST(ScanOrder, RemainsAndExtensionsRemovedWhileAnOlderScanRunsDoNotComeBack)
{
    const QString library = QStringLiteral("/Users/tester/Library");
    for (const bool remains : {true, false}) {
        SCOPED_TRACE(remains ? "remains" : "extensions");
        FakePlatform fp;
        fp.tree().makeTrash();
        for (const char* name : {"com.gone.app", "com.kept.app"}) {
            if (remains)
                fp.tree().write(library + "/Preferences/" + name + ".plist", "");
            else
                fp.tree().write(library + "/Screen Savers/" + name + ".saver/Contents/Info.plist", "");
        }
        SystemCleaner cleaner(fp.platform());
        const auto scan = [&] {
            if (remains)
                cleaner.scanRemainingFiles({}, {}, Rescan::Force);
            else
                cleaner.scanExtensions();
        };
        const auto listed = [&] { return titles(remains ? cleaner.remainingFiles() : cleaner.extensions()); };
        const auto scanning = [&] { return remains ? cleaner.isScanningRemaining() : cleaner.isScanningExtensions(); };
        scan();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !scanning(); }, 60000));
        const QStringList both = listed();
        ASSERT_EQ(both.size(), 2);
        RemovableItem gone = (remains ? cleaner.remainingFiles() : cleaner.extensions())[0];
        gone.isSelected = true;

        LoaderGate older;
        cleaner.setLoaders({older.wrap(remains::findOrphans), older.wrap(extensions::loadAllExtensions)});
        scan();
        ASSERT_TRUE(older.reached());  // it has read both
        tw::test::Awaited<RemovalReport> removed;
        if (remains)
            cleaner.trashSelected({gone}, removed.then());
        else
            cleaner.trashExtensions({gone}, removed.then());
        ASSERT_EQ(removed.wait().moved.size(), 1);
        EXPECT_EQ(listed(), both.mid(1));

        older.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !scanning(); }, 60000));
        ASSERT_TRUE(deliveredAllBut(0));
        EXPECT_EQ(listed(), both.mid(1));
        EXPECT_FALSE(scanning());
    }
}
