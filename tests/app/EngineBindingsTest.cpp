#include "state/AppSettings.h"
#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "app/EngineBindings.h"
#include "state/SharedState.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppRecord.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/AppScanner.h"
#include "platform/Path.h"
#include "support/Collect.h"
#include "support/FakePlatform.h"
#include "support/Printers.h"
#include "support/Awaited.h"
#include "support/ScanGates.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

struct Shell {
    Shell()
    {
        fake.tree().makeTrash();
        fake.tree().mkdir("/Applications");
        state = std::make_unique<SharedState>(fake);
        scanner = std::make_unique<AppScanner>(fake.platform());
        cleaner = std::make_unique<SystemCleaner>(fake.platform());
    }
    // An application with a preferences file and a support folder.
    QString installWithLeftovers(const QString& file, const QString& id, const QString& name)
    {
        const QString lib = fake.fs().library();
        fake.tree().write(lib + "/Preferences/" + id + ".plist", "prefs");
        fake.tree().writeSized(lib + "/Application Support/" + name + "/state.db", 20000);
        return fake.tree().makeApp("/Applications/" + file, id, name);
    }
    // Binds the removal watcher and starts it: true once its first snapshot is in.
    bool startWatcher()
    {
        AppRemovalWatcher& watcher = bindRemovalWatcher(*state, *scanner, *cleaner);
        QSignalSpy rebuilt(&watcher, &AppRemovalWatcher::snapshotRebuilt);
        watcher.start(scanner.get());
        return rebuilt.wait(60000);
    }

    // Declared so that the state goes first, then the cleaner and the scanner.
    FakePlatform fake;
    std::unique_ptr<AppScanner> scanner;
    std::unique_ptr<SystemCleaner> cleaner;
    std::unique_ptr<SharedState> state;
};

} // namespace

TEST(EngineBindingsTest, TrashedApplicationBecomesTheNavigationsOffer)
{
    Shell shell;
    const QString foo = shell.installWithLeftovers("Foo.app", "com.acme.foo", "Foo");
    AppRemovalWatcher& watcher = bindRemovalWatcher(*shell.state, *shell.scanner, *shell.cleaner);
    EXPECT_EQ(&bindRemovalWatcher(*shell.state, *shell.scanner, *shell.cleaner), &watcher);
    EXPECT_EQ(shell.state->removalWatcher(), &watcher);
    QSignalSpy rebuilt(&watcher, &AppRemovalWatcher::snapshotRebuilt);
    watcher.start(shell.scanner.get());
    EXPECT_TRUE(watcher.isTimerActive());
    ASSERT_TRUE(rebuilt.wait(10000));

    const QString trashed = shell.fake.fs().trash() + "/Foo.app";
    ASSERT_TRUE(shell.fake.fs().rename(foo, trashed));
    QSignalSpy finished(&watcher, &AppRemovalWatcher::offerAttemptFinished);
    bool remainsRescanned = false;
    QObject::connect(shell.cleaner.get(), &SystemCleaner::scanningChanged, [&] {
        remainsRescanned = remainsRescanned || shell.cleaner->isScanningRemaining();
    });
    ASSERT_TRUE(watcher.poll());
    ASSERT_TRUE(finished.wait(10000));

    const auto& offer = shell.state->navigation().remainOffer();
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->appName, "Foo");
    EXPECT_EQ(offer->trashedAppPath, trashed);
    const QStringList paths = tw::test::collect(offer->leftovers, &LeftoverFile::path);
    const QString lib = shell.fake.fs().library();
    EXPECT_TRUE(paths.contains(lib + "/Preferences/com.acme.foo.plist")) << paths.join(", ").toStdString();
    EXPECT_TRUE(paths.contains(lib + "/Application Support/Foo")) << paths.join(", ").toStdString();
    for (const QString& p : paths)
        EXPECT_FALSE(path::isInside(p, trashed) || p == trashed) << p.toStdString();
    // The remains are rescanned.
    EXPECT_TRUE(QTest::qWaitFor([&] { return remainsRescanned && !shell.cleaner->isScanningRemaining(); }, 30000));

    // Switching detection off stops polling; on re-reads the folders first.
    AppSettings& settings = shell.state->settings();
    settings.setDetectTrashRemovals(false);
    EXPECT_FALSE(watcher.isTimerActive());
    const QString late = shell.fake.tree().makeApp("/Applications/Late.app", "com.acme.late", "Late");
    settings.setDetectTrashRemovals(true);
    EXPECT_TRUE(watcher.isTimerActive());
    // The rebuild runs after any read under way; when none runs, it has landed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.isReading(); }, 10000));
    EXPECT_TRUE(watcher.knownApps().contains(late));
}

TEST(EngineBindingsTest, OwnUninstallIsAnnouncedAndRaisesNoOffer)
{
    Shell shell;
    const QString bar = shell.installWithLeftovers("Bar.app", "com.acme.bar", "Bar");
    ASSERT_TRUE(shell.startWatcher());
    AppRemovalWatcher& watcher = *shell.state->removalWatcher();

    const AppInfoPtr app = AppInfo::fromDraft(record::buildAppInfo(shell.fake, bar, record::Sizing::Quick));
    const RemovalReport result = tw::test::uninstalled(*shell.scanner, app, {}, BundleRemoval::MoveToTrash);
    ASSERT_TRUE(result.status.ok());
    EXPECT_FALSE(shell.fake.tree().exists(bar));
    EXPECT_TRUE(watcher.isSuppressed("com.acme.bar"));
    EXPECT_FALSE(watcher.knownApps().contains(bar));

    QSignalSpy started(&watcher, &AppRemovalWatcher::offerAttemptStarted);
    QSignalSpy delivered(&watcher, &AppRemovalWatcher::pollDelivered);
    ASSERT_TRUE(watcher.poll());
    ASSERT_TRUE(delivered.wait(10000));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(shell.state->navigation().remainOffer().has_value());
}

TEST(EngineBindingsTest, APromptOutlastingTheSuppressionStillRaisesNoOfferForOurUninstall)
{
    Shell shell;
    const QString bar = shell.installWithLeftovers("Bar.app", "com.acme.bar", "Bar");
    ASSERT_TRUE(shell.startWatcher());
    AppRemovalWatcher& watcher = *shell.state->removalWatcher();
    watcher.stop();  // passes only when the test asks
    QSignalSpy started(&watcher, &AppRemovalWatcher::offerAttemptStarted);
    QSignalSpy delivered(&watcher, &AppRemovalWatcher::pollDelivered);
    const AppInfoPtr app = AppInfo::fromDraft(record::buildAppInfo(shell.fake, bar, record::Sizing::Quick));
    tw::test::Awaited<RemovalReport> report;
    {
        // The bundle's move waits (for a password) past the end of the window
        // the first notice opened, and a pass sees it still installed.
        tw::test::TrashGate gate(shell.fake);
        watcher.setSuppressionDelay(std::chrono::milliseconds(0));
        shell.scanner->uninstall(app, {}, BundleRemoval::MoveToTrash, report.then());
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.arrived() > 0 && !watcher.isSuppressed("com.acme.bar"); }, 60000));
        watcher.setSuppressionDelay(std::chrono::seconds(120));
        ASSERT_TRUE(watcher.poll());
        ASSERT_TRUE(delivered.wait(60000));
        ASSERT_TRUE(watcher.knownApps().contains(bar));
    }
    ASSERT_TRUE(report.wait().status.ok());
    EXPECT_TRUE(watcher.isSuppressed("com.acme.bar"));
    ASSERT_TRUE(watcher.poll());
    ASSERT_TRUE(delivered.wait(60000));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(watcher.knownApps().contains(bar));
}
