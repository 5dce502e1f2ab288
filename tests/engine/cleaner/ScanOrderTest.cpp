// Overlapping scans of one list, and changes made while one runs: only the
// latest started scan publishes, and none made before a change lands after it.

#include "Items.h"
#include "engine/cleaner/SystemCleaner.h"
#include "platform/ThreadPool.h"
#include "support/Awaited.h"
#include "support/ScanGates.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

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
