#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/AppScanner.h"
#include "platform/Path.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "support/Printers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>

using namespace tw;
using tw::test::BundleRecipe;
using tw::test::FakePlatform;

namespace {

struct SearchCall {
    QString bundleId;
    QString name;
    std::optional<QString> excluded;
    friend bool operator==(const SearchCall&, const SearchCall&) = default;
};
void PrintTo(const SearchCall& c, std::ostream* os)
{
    *os << '{' << c.bundleId.toStdString() << ", " << c.name.toStdString() << ", " << c.excluded.value_or("-").toStdString() << '}';
}

std::vector<LeftoverItem> someLeftovers(const QString& id)
{
    return {{"/Users/tester/Library/Preferences/" + id + ".plist", 4096, "Preferences"},
            {"/Users/tester/Library/Caches/" + id, 8192, "Caches"}};
}

class RemovalWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A day on, every file the tests write has settled.
        fake.clock.current = QDateTime::currentDateTimeUtc().addDays(1);
        tree().makeTrash();
        tree().mkdir("/Applications");
        tree().mkdir(home() + "/Applications");
        scanner = std::make_unique<AppScanner>(fake.platform());
        RemovalWatcherHost host;
        host.detectionEnabled = [this] { return detection; };
        host.offerPending = [this] { return offer.has_value(); };
        host.publishOffer = [this](RemainCleanupOffer o) {
            offer = std::move(o);
            ++offersPublished;
        };
        host.rescanRemains = [this](const QSet<QString>& ids, const QSet<QString>& names) {
            ++rescans;
            rescanIds = ids;
            rescanNames = names;
        };
        // A search that answers from a table and records what it was asked.
        auto search = [this](const Platform&, const QString& id, const QString& name,
                             const std::optional<QString>& excluded) {
            QMutexLocker lock(&mutex);
            calls.push_back({id, name, excluded});
            return table.value(id);
        };
        watcher = std::make_unique<AppRemovalWatcher>(fake.platform(), std::move(host), search);
    }

    void TearDown() override
    {
        watcher.reset();
        scanner.reset();
        tw::waitForEnginePool();  // a search still running uses this fixture
    }

    tw::test::MacTree& tree() { return fake.tree(); }
    QString home() { return fake.fs().home(); }
    QString trash() { return fake.fs().trash(); }

    std::vector<SearchCall> searchCalls()
    {
        QMutexLocker lock(&mutex);
        return calls;
    }

    // An application whose search finds two leftovers.
    QString app(const QString& folder, const QString& file, const QString& id, const QString& name)
    {
        table.insert(id, someLeftovers(id));
        return tree().makeApp(folder + "/" + file, id, name);
    }
    // "name | identifier | trashed path" of the pending offer.
    QString offered() const
    {
        return offer ? offer->appName + " | " + offer->bundleIdentifier + " | " + offer->trashedAppPath.value_or("-") : "none";
    }
    QString moveToTrash(const QString& bundle)
    {
        const QString target = trash() + "/" + path::lastComponent(bundle);
        EXPECT_TRUE(fake.fs().rename(bundle, target));
        return target;
    }
    void remove(const QString& bundle) { ASSERT_TRUE(QDir(tree().host(bundle)).removeRecursively()); }

    // Starts the watcher and waits for its first snapshot.
    void startAndWait(AppRemovalWatcher& w, AppScanner* s)
    {
        QSignalSpy rebuilt(&w, &AppRemovalWatcher::snapshotRebuilt);
        w.start(s);
        ASSERT_TRUE(rebuilt.wait(5000));
        ASSERT_TRUE(w.isReady());
    }
    void startAndWait() { startAndWait(*watcher, scanner.get()); }
    void rebuildAndWait()
    {
        QSignalSpy rebuilt(watcher.get(), &AppRemovalWatcher::snapshotRebuilt);
        watcher->rebuildSnapshot();
        ASSERT_TRUE(rebuilt.wait(5000));
    }
    // Runs one pass, waits for its read to be delivered (when it read at all),
    // and returns the offer attempts it started.
    int pollAndDeliver()
    {
        QSignalSpy started(watcher.get(), &AppRemovalWatcher::offerAttemptStarted);
        QSignalSpy delivered(watcher.get(), &AppRemovalWatcher::pollDelivered);
        if (watcher->poll()) {
            EXPECT_TRUE(delivered.wait(5000));
        }
        return int(started.size());
    }
    // Runs one pass and waits for the offer attempt it started; false when
    // the pass started none.
    bool pollAndWait()
    {
        QSignalSpy finished(watcher.get(), &AppRemovalWatcher::offerAttemptFinished);
        if (pollAndDeliver() == 0)
            return false;
        return !finished.isEmpty() || finished.wait(5000);
    }
    // Runs one pass that must start no offer attempt.
    void pollExpectingNothing() { EXPECT_EQ(pollAndDeliver(), 0); }

    FakePlatform fake;
    std::unique_ptr<AppScanner> scanner;
    std::unique_ptr<AppRemovalWatcher> watcher;
    bool detection = true;
    std::optional<RemainCleanupOffer> offer;
    int offersPublished = 0;
    int rescans = 0;
    QSet<QString> rescanIds, rescanNames;
    QMutex mutex;
    std::vector<SearchCall> calls;
    QHash<QString, std::vector<LeftoverItem>> table;
};

} // namespace

TEST_F(RemovalWatcherTest, ReadsBundlesFoldersAndTrash)
{
    tree().makeApp("/Applications/Both.app", BundleRecipe{"com.acme.both", "Short", "Display"});
    tree().makeApp(home() + "/Applications/Display.app", BundleRecipe{"com.acme.display", {}, "Shown"});
    tree().makeApp("/Applications/Bare Thing.app", BundleRecipe{.withoutInfoPlist = true});
    tree().write("/Applications/Broken.app/Contents/Info.plist", "not a plist");
    app("/Applications", ".Hidden.app", "com.acme.hidden", "Hidden");
    app("/Applications/Utilities", "Nested.app", "com.acme.nested", "Nested");
    tree().mkdir("/Applications/Folder.bundle");

    // The short name before the display name; without a readable Info.plist the file name.
    const std::pair<QString, std::pair<QString, QString>> metas[] = {
        {"/Applications/Both.app", {"Short", "com.acme.both"}},   {home() + "/Applications/Display.app", {"Shown", "com.acme.display"}},
        {"/Applications/Bare Thing.app", {"Bare Thing", ""}},      {"/Applications/Broken.app", {"Broken", ""}}};
    for (const auto& [bundle, meta] : metas)
        EXPECT_EQ(AppRemovalWatcher::readAppMeta(fake.fs(), bundle), meta) << bundle.toStdString();

    const AppRemovalWatcher::Snapshot snapshot = AppRemovalWatcher::scanApplicationFolders(fake.fs());
    EXPECT_EQ(snapshot.keys(), QStringList({"/Applications/Bare Thing.app", "/Applications/Both.app",
                                            "/Applications/Broken.app", home() + "/Applications/Display.app"}));
    EXPECT_EQ(snapshot.value("/Applications/Both.app"),
              (AppRemovalWatcher::TrackedApp{"/Applications/Both.app", "Short", "com.acme.both"}));

    // The Trash listing keeps hidden bundles and ignores everything else.
    app(trash(), ".Secret.app", "com.acme.secret", "Secret");
    app(trash(), "Old.APP", "com.acme.old", "Old");
    tree().write(trash() + "/notes.txt", "x");
    tree().mkdir(trash() + "/Folder");
    EXPECT_EQ(AppRemovalWatcher::appsInTrash(fake.fs()),
              QStringList({trash() + "/.Secret.app", trash() + "/Old.APP"}));
    ASSERT_TRUE(QDir(tree().host(trash())).removeRecursively());
    EXPECT_TRUE(AppRemovalWatcher::appsInTrash(fake.fs()).isEmpty());

    // Installed identifiers include applications one folder down.
    const QSet<QString> installed = AppRemovalWatcher::installedBundleIds(fake.fs());
    EXPECT_TRUE(installed.contains("com.acme.nested"));
    EXPECT_TRUE(installed.contains("com.acme.display"));
    EXPECT_FALSE(installed.contains(""));
}

TEST_F(RemovalWatcherTest, TrashedOrVanishedApplicationIsOfferedWithItsOwnMetadata)
{
    const QString foo = app("/Applications", "Foo.app", "com.acme.Foo", "Foo");
    const QString bar = app(home() + "/Applications", "Bar.app", "com.acme.bar", "Bar");
    startAndWait();
    EXPECT_TRUE(watcher->isReady());
    EXPECT_TRUE(watcher->knownApps().contains(foo));

    // The trashed copy now says something else about itself: its own words count.
    const QString trashed = moveToTrash(foo);
    tree().makeApp(trashed, "com.acme.Foo", "Foo Pro");
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(searchCalls(), (std::vector<SearchCall>{{"com.acme.Foo", "Foo Pro", trashed}}));
    EXPECT_EQ(offered(), "Foo Pro | com.acme.Foo | " + trashed);
    ASSERT_EQ(offer->leftovers.size(), 2);
    EXPECT_EQ(offer->leftovers[0]->path(), "/Users/tester/Library/Preferences/com.acme.Foo.plist");
    EXPECT_EQ(offer->totalSize(), 4096 + 8192);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rescans == 1; }, 5000));
    EXPECT_FALSE(watcher->knownApps().contains(foo));
    EXPECT_TRUE(watcher->seenTrashApps().contains("foo.app"));

    // Answered; the same bundle is never looked at again.
    offer.reset();
    pollExpectingNothing();

    // One that vanished outside the Trash is offered from its snapshot record.
    remove(bar);
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(offered(), "Bar | com.acme.bar | -");
    EXPECT_EQ(searchCalls().back(), (SearchCall{"com.acme.bar", "Bar", std::nullopt}));
}

TEST_F(RemovalWatcherTest, OnePassMakesOneOfferPrefersTheTrashAndWaitsForAnswers)
{
    const QString alpha = app("/Applications", "Alpha.app", "com.acme.alpha", "Alpha");
    const QString beta = app("/Applications", "Beta.app", "com.acme.beta", "Beta");
    const QString gamma = app("/Applications", "Gamma.app", "com.acme.gamma", "Gamma");
    startAndWait();

    remove(alpha);
    moveToTrash(gamma);
    ASSERT_TRUE(pollAndWait());
    ASSERT_EQ(searchCalls().size(), 1u);
    EXPECT_EQ(offer->bundleIdentifier, "com.acme.gamma");  // the Trash find wins
    // Alpha's disappearance was folded into the snapshot without an offer.
    EXPECT_FALSE(watcher->knownApps().contains(alpha));
    offer.reset();
    pollExpectingNothing();

    // Two vanished between passes: only the first in path order is offered.
    const QString delta = app("/Applications", "Delta.app", "com.acme.delta", "Delta");
    pollExpectingNothing();  // sees Delta arrive
    remove(beta);
    remove(delta);
    ASSERT_TRUE(pollAndWait());
    ASSERT_EQ(searchCalls().size(), 2u);
    EXPECT_EQ(searchCalls()[1].bundleId, "com.acme.beta");
    offer.reset();
    pollExpectingNothing();
    EXPECT_TRUE(watcher->knownApps().isEmpty());

    // A pending offer blocks the pass: nothing scanned, nothing folded in.
    const QString epsilon = app("/Applications", "Epsilon.app", "com.acme.epsilon", "Epsilon");
    pollExpectingNothing();
    offer = RemainCleanupOffer{};
    moveToTrash(epsilon);
    pollExpectingNothing();
    EXPECT_TRUE(watcher->knownApps().contains(epsilon));
    EXPECT_FALSE(watcher->seenTrashApps().contains("epsilon.app"));
    offer.reset();
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(searchCalls().size(), 3u);
    EXPECT_EQ(offer->bundleIdentifier, "com.acme.epsilon");
}

TEST_F(RemovalWatcherTest, TrashBundlesWithoutIdentifierNeedAKnownName)
{
    const QString known = app("/Applications", "Known.app", "", "Known Tool");
    startAndWait();
    app(trash(), "Stranger.app", "", "Stranger");
    // Known.app has no identifier, so any identifier-less bundle matches it.
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(searchCalls().size(), 1u);
    EXPECT_EQ(searchCalls()[0].name, "Stranger");
    offer.reset();

    // Without an identifier-less record only the name can match.
    remove(known);
    app("/Applications", "Tagged.app", "com.acme.tagged", "Tagged Tool");
    rebuildAndWait();
    app(trash(), "Nobody.app", "", "Nobody");
    app(trash(), "tagged copy.app", "", "TAGGED TOOL");
    ASSERT_TRUE(pollAndWait());
    ASSERT_EQ(searchCalls().size(), 2u);
    EXPECT_EQ(searchCalls()[1].name, "TAGGED TOOL");
    EXPECT_TRUE(watcher->seenTrashApps().contains("nobody.app"));  // looked at once, never again
}

TEST_F(RemovalWatcherTest, OwnUninstallIsSuppressedForTheDelay)
{
    EXPECT_EQ(watcher->suppressionDelay(), std::chrono::seconds(120));
    const QString foo = app("/Applications", "Foo.app", "com.acme.Foo", "Foo");
    const QString bar = app("/Applications", "Bar.app", "com.acme.bar", "Bar");
    watcher->setSuppressionDelay(std::chrono::milliseconds(1000));
    startAndWait();

    watcher->noteOurUninstall(foo, "com.acme.Foo");
    EXPECT_TRUE(watcher->isSuppressed("COM.ACME.FOO"));
    EXPECT_FALSE(watcher->knownApps().contains(foo));
    moveToTrash(foo);
    watcher->noteOurUninstall(bar, "com.acme.bar");
    remove(bar);
    pollExpectingNothing();

    // A second suppress inside the window does not extend it: the identifier
    // leaves when the first window ends, well before a second one would.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher->isSuppressed("com.acme.foo"); }, 5000));
    // Bar's window began a moment after Foo's (timers may fire apart).
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher->isSuppressed("com.acme.bar"); }, 500));
    // Timers of one delay expire in the order they were set: when the marker
    // set after the first suppress leaves, the second suppress has not kept
    // the identifier in.
    watcher->suppress("com.acme.other");
    watcher->suppress("com.acme.marker");
    watcher->suppress("com.acme.OTHER");
    EXPECT_TRUE(watcher->isSuppressed("com.acme.other"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher->isSuppressed("com.acme.marker"); }, 5000));
    EXPECT_FALSE(watcher->isSuppressed("com.acme.other"));

    // Once expired, a fresh Trash find of the same identifier is offered again.
    app(trash(), "Foo 2.app", "com.acme.Foo", "Foo");
    ASSERT_TRUE(pollAndWait());
    EXPECT_TRUE(offer.has_value());
    watcher->suppress("");  // no identifier, nothing to suppress
    EXPECT_FALSE(watcher->isSuppressed(""));
}

TEST_F(RemovalWatcherTest, SuppressedApplicationsArePassedOverAndThePassGoesOn)
{
    // Path order: the suppressed ones come first, in the Trash and among the vanished.
    const QString alpha = app("/Applications", "Alpha.app", "com.acme.alpha", "Alpha");
    const QString bravo = app("/Applications", "Bravo.app", "com.acme.bravo", "Bravo");
    const QString zulu = app("/Applications", "Zulu.app", "com.acme.zulu", "Zulu");
    startAndWait();
    watcher->suppress("com.acme.ALPHA");
    watcher->suppress("com.acme.bravo");

    moveToTrash(alpha);  // found in the Trash, and gone from its folder
    remove(bravo);       // only gone
    remove(zulu);
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(searchCalls(), (std::vector<SearchCall>{{"com.acme.zulu", "Zulu", std::nullopt}}));
    EXPECT_EQ(offered(), "Zulu | com.acme.zulu | -");
    EXPECT_TRUE(watcher->seenTrashApps().contains("alpha.app"));
    EXPECT_TRUE(watcher->knownApps().isEmpty());
}

TEST_F(RemovalWatcherTest, NoLeftoversMeansNoOfferButARefresh)
{
    const QString foo = app("/Applications", "Foo.app", "com.acme.foo", "Foo");
    table.clear();  // the search finds nothing
    for (const QString name : {"Suite/Member", "Suite/Second", "Single"})
        tree().makeApp("/Applications/" + name + ".app", "com.acme." + name.section(u'/', -1).toLower(), name.section(u'/', -1));
    // The list as it was before the removal.
    scanner->setApps({AppInfo::make({"Foo", "com.acme.foo", foo}), AppInfo::make({"Single", "com.acme.single", ""})});
    startAndWait();

    moveToTrash(foo);
    ASSERT_TRUE(pollAndWait());
    EXPECT_FALSE(offer.has_value());
    EXPECT_EQ(offersPublished, 0);
    // The application list is rebuilt first, and the remains are looked for
    // with what it holds then (a group counting as its members), not with
    // the list that still had the trashed application.
    EXPECT_TRUE(scanner->isScanning());
    EXPECT_EQ(rescans, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rescans == 1; }, 5000));
    EXPECT_FALSE(scanner->isScanning());
    EXPECT_EQ(rescanIds, QSet<QString>({"com.acme.member", "com.acme.second", "com.acme.single"}));
    EXPECT_EQ(rescanNames, QSet<QString>({"Member", "Second", "Single"}));

    // Without a scanner the refresh has nothing to do.
    AppRemovalWatcher lone(fake.platform(), {[] { return true; }, [] { return false; }, {}, {}}, {});
    app("/Applications", "Baz.app", "com.acme.baz", "Baz");
    startAndWait(lone, nullptr);
    moveToTrash("/Applications/Baz.app");
    QSignalSpy attempt(&lone, &AppRemovalWatcher::offerAttemptFinished);
    ASSERT_TRUE(lone.poll());
    ASSERT_TRUE(attempt.wait(5000));
    EXPECT_EQ(rescans, 1);
}

TEST_F(RemovalWatcherTest, StillInstalledApplicationsAreNotOffered)
{
    const QString foo = app("/Applications", "Foo.app", "com.acme.foo", "Foo");
    const QString bar = app("/Applications", "Bar.app", "com.acme.bar", "Bar");
    app(home() + "/Applications", "Baz.app", "com.acme.baz", "Baz");
    startAndWait();

    // Renamed in place.
    ASSERT_TRUE(fake.fs().rename(foo, "/Applications/Foo Renamed.app"));
    pollExpectingNothing();
    // Moved into a subfolder.
    tree().mkdir("/Applications/Utilities");
    ASSERT_TRUE(fake.fs().rename(bar, "/Applications/Utilities/Bar.app"));
    pollExpectingNothing();
    // An old copy trashed while the same identifier stays installed.
    app(trash(), "Baz old.app", "com.acme.baz", "Baz");
    pollExpectingNothing();
    EXPECT_TRUE(watcher->knownApps().contains("/Applications/Foo Renamed.app"));

    // Removing the live copy is a removal again.
    remove("/Applications/Foo Renamed.app");
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(offer->bundleIdentifier, "com.acme.foo");
}

TEST_F(RemovalWatcherTest, TimerRunsOnlyWhileDetectionIsOn)
{
    EXPECT_EQ(watcher->pollInterval(), std::chrono::seconds(4));
    EXPECT_FALSE(watcher->isTimerActive());
    EXPECT_FALSE(watcher->poll());  // not started: not ready, nothing read
    EXPECT_FALSE(watcher->isReady());

    const QString foo = app("/Applications", "Foo.app", "com.acme.foo", "Foo");
    watcher->setPollInterval(std::chrono::milliseconds(20));
    startAndWait();
    EXPECT_TRUE(watcher->isTimerActive());

    // The timer alone finds the trashed application.
    QSignalSpy attempt(watcher.get(), &AppRemovalWatcher::offerAttemptFinished);
    moveToTrash(foo);
    ASSERT_TRUE(attempt.wait(5000));
    EXPECT_TRUE(offer.has_value());
    offer.reset();

    // Switched off: no timer, and an activation's pass stops at once.
    detection = false;
    watcher->stop();
    EXPECT_FALSE(watcher->isTimerActive());
    watcher->restartTimerIfNeeded();
    EXPECT_FALSE(watcher->isTimerActive());
    const QString bar = app("/Applications", "Bar.app", "com.acme.bar", "Bar");
    const int polls = watcher->pollCount();
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher->pollCount() > polls; }, 2000));
    EXPECT_FALSE(watcher->knownApps().contains(bar));

    // Switched on again: the snapshot is rebuilt before the timer restarts.
    detection = true;
    QSignalSpy rebuilt(watcher.get(), &AppRemovalWatcher::snapshotRebuilt);
    watcher->rebuildSnapshot();
    watcher->restartTimerIfNeeded();
    ASSERT_TRUE(rebuilt.wait(5000));
    EXPECT_TRUE(watcher->isTimerActive());
    EXPECT_TRUE(watcher->knownApps().contains(bar));
}

TEST_F(RemovalWatcherTest, StartTwiceRefreshesAndAddsNothing)
{
    startAndWait();
    const QString late = app("/Applications", "Late.app", "com.acme.late", "Late");
    startAndWait();
    EXPECT_TRUE(watcher->knownApps().contains(late));
    EXPECT_TRUE(watcher->isTimerActive());

    // One activation, one pass: every listener's call is queued by the
    // emit, so a call queued after it runs after all of them.
    const int polls = watcher->pollCount();
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    bool after = false;
    QMetaObject::invokeMethod(watcher.get(), [&] { after = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return after; }, 5000));
    EXPECT_EQ(watcher->pollCount(), polls + 1);
}

namespace {

// The watcher's disk over the fixture, recording the thread and kind of every
// read, counting parses, and holding the Trash listing while its gate is shut.
class ProbedDisk final : public WatcherDisk {
public:
    using WatcherDisk::WatcherDisk;

    std::optional<std::vector<DirEntry>> list(const QString& folder, Hidden hidden) const override
    {
        record();
        if (hidden == Hidden::Include && shut) {
            ++held;
            gate.acquire();
        }
        return WatcherDisk::list(folder, hidden);
    }
    std::optional<FileStat> infoPlistStat(const QString& bundle) const override
    {
        record();
        return WatcherDisk::infoPlistStat(bundle);
    }
    std::pair<QString, QString> readMeta(const QString& bundle) const override
    {
        record();
        QMutexLocker lock(&mutex);
        parsed << bundle;
        return WatcherDisk::readMeta(bundle);
    }
    QStringList installedBundles() const override
    {
        record();
        return WatcherDisk::installedBundles();
    }

    QStringList takeParsed()
    {
        QMutexLocker lock(&mutex);
        return std::exchange(parsed, {});
    }
    void open()
    {
        shut = false;
        gate.release();
    }

    mutable std::atomic<int> reads{0};
    mutable std::atomic<int> readsOnGuiThread{0};
    mutable std::atomic<int> held{0};
    std::atomic<bool> shut{false};
    mutable QSemaphore gate;

private:
    void record() const
    {
        ++reads;
        if (QThread::currentThread() == qApp->thread())
            ++readsOnGuiThread;
    }
    mutable QMutex mutex;
    mutable QStringList parsed;
};

} // namespace

TEST_F(RemovalWatcherTest, EveryReadRunsOffTheGuiThread)
{
    auto disk = std::make_shared<ProbedDisk>(fake.fs());
    watcher->setDisk(disk);
    const QString foo = app("/Applications", "Foo.app", "com.acme.foo", "Foo");
    const QString bar = app(home() + "/Applications", "Bar.app", "com.acme.bar", "Bar");
    app("/Applications/Utilities", "Tool.app", "com.acme.tool", "Tool");
    startAndWait();
    EXPECT_EQ(watcher->knownApps().size(), 2);

    // A Trash find and a vanished application: folders, Trash, parses and the installed check.
    moveToTrash(foo);
    ASSERT_TRUE(pollAndWait());
    offer.reset();
    remove(bar);
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(offered(), "Bar | com.acme.bar | -");
    offer.reset();
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher->isReading() && watcher->pollCount() >= 3; }, 5000));

    EXPECT_GT(disk->reads, 10);
    EXPECT_EQ(disk->readsOnGuiThread, 0);
}

TEST_F(RemovalWatcherTest, UnchangedBundlesAreNotParsedAgain)
{
    auto disk = std::make_shared<ProbedDisk>(fake.fs());
    watcher->setDisk(disk);
    const QString foo = app("/Applications", "Foo.app", "com.acme.foo", "Foo");
    const QString bar = app("/Applications", "Bar.app", "com.acme.bar", "Bar");
    const QString baz = app(home() + "/Applications", "Baz.app", "com.acme.baz", "Baz");
    tree().makeApp("/Applications/Bare.app", BundleRecipe{.withoutInfoPlist = true});
    startAndWait();
    EXPECT_EQ(disk->takeParsed().size(), 4);

    // Nothing changed: the ticks stat, they do not parse.
    pollExpectingNothing();
    pollExpectingNothing();
    EXPECT_EQ(disk->takeParsed(), QStringList());

    // A rewritten Info.plist is read again, and only that one.
    tree().makeApp(bar, "com.acme.bar", "Bar Renamed");
    pollExpectingNothing();
    EXPECT_EQ(disk->takeParsed(), QStringList{bar});
    EXPECT_EQ(watcher->knownApps().value(bar).name, "Bar Renamed");
    // So is one that turns up, in a folder or in the Trash.
    const QString qux = app("/Applications", "Qux.app", "com.acme.qux", "Qux");
    pollExpectingNothing();
    EXPECT_EQ(disk->takeParsed(), QStringList{qux});
    const QString trashed = moveToTrash(foo);
    ASSERT_TRUE(pollAndWait());
    // The trashed bundle is a new path; the installed check reuses the rest.
    EXPECT_EQ(disk->takeParsed(), QStringList{trashed});
    EXPECT_TRUE(watcher->knownApps().contains(baz));
}

namespace {

// Gives each Info.plist the stat first read, as a clock too coarse to tell
// two changes apart would.
class FrozenStatDisk final : public WatcherDisk {
public:
    using WatcherDisk::WatcherDisk;
    std::optional<FileStat> infoPlistStat(const QString& bundle) const override
    {
        QMutexLocker lock(&mutex);
        if (!first.contains(bundle))
            first.insert(bundle, WatcherDisk::infoPlistStat(bundle));
        return first.value(bundle);
    }

private:
    mutable QMutex mutex;
    mutable QHash<QString, std::optional<FileStat>> first;
};

} // namespace

TEST_F(RemovalWatcherTest, AnInfoPlistRewrittenToItsOldSizeAndTimeIsReadAgain)
{
    const QString bar = app("/Applications", "Bar.app", "com.acme.bar", "Bar");
    const QString plist = bar + "/Contents/Info.plist";
    const std::optional<FileStat> was = fake.fs().stat(plist, Links::Follow);
    const QByteArray host = QFile::encodeName(tree().host(plist));
    struct stat times {};
    ASSERT_TRUE(was && ::stat(host.constData(), &times) == 0);
    startAndWait();
    // Rewritten in place, as long, its modification time put back: only its
    // change time tells, once that has moved on.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        tree().makeApp(bar, "com.acme.bar", "Baz");
        const timespec put[2] = {{0, UTIME_OMIT}, times.st_mtim};
        EXPECT_EQ(::utimensat(AT_FDCWD, host.constData(), put, 0), 0);
        return fake.fs().stat(plist, Links::Follow)->changed != was->changed;
    }));
    const std::optional<FileStat> is = fake.fs().stat(plist, Links::Follow);
    EXPECT_EQ(std::tuple(is->size, is->inode, is->modified), std::tuple(was->size, was->inode, was->modified));
    pollExpectingNothing();
    EXPECT_EQ(watcher->knownApps().value(bar).name, "Baz");

    // Read as it changed, its stamp cannot tell a rewrite in the same tick:
    // it is read again until it has settled.
    watcher->setDisk(std::make_shared<FrozenStatDisk>(fake.fs()));
    const QString qux = app("/Applications", "Qux.app", "com.acme.qux", "Qux");
    fake.clock.current = *fake.fs().stat(qux + "/Contents/Info.plist", Links::Follow)->changed;
    pollExpectingNothing();
    EXPECT_EQ(watcher->knownApps().value(qux).name, "Qux");
    tree().makeApp(qux, "com.acme.qux", "Quz");
    pollExpectingNothing();
    EXPECT_EQ(watcher->knownApps().value(qux).name, "Quz");
}

TEST_F(RemovalWatcherTest, TicksWaitForTheReadUnderWayAndLateResultsStayConsistent)
{
    auto disk = std::make_shared<ProbedDisk>(fake.fs());
    watcher->setDisk(disk);
    // No identifier: only the snapshot keeps our own uninstall from being offered.
    const QString foo = app("/Applications", "Foo.app", "", "Foo");
    app("/Applications", "Bar.app", "com.acme.bar", "Bar");
    startAndWait();
    watcher->stop();  // only this test's passes run

    // A read held open after it listed the folders: ticks start no other read.
    disk->shut = true;
    QSignalSpy delivered(watcher.get(), &AppRemovalWatcher::pollDelivered);
    QSignalSpy started(watcher.get(), &AppRemovalWatcher::offerAttemptStarted);
    ASSERT_TRUE(watcher->poll());
    ASSERT_TRUE(QTest::qWaitFor([&] { return disk->held == 1; }, 5000));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(watcher->poll());
    EXPECT_TRUE(watcher->isReading());

    // Our own uninstall lands while the read still has the bundle in its folder.
    watcher->noteOurUninstall(foo, "");
    moveToTrash(foo);
    disk->open();
    ASSERT_TRUE(delivered.wait(5000));
    EXPECT_EQ(delivered.size(), 1);
    EXPECT_EQ(disk->held, 1);  // the dropped ticks did not read later either
    EXPECT_FALSE(watcher->isReading());
    EXPECT_FALSE(watcher->knownApps().contains(foo));
    pollExpectingNothing();
    EXPECT_TRUE(started.isEmpty());

    // Stopped while a read runs: its result is dropped, nothing is marked seen.
    app(trash(), "Baz.app", "com.acme.baz", "Baz");
    disk->shut = true;
    ASSERT_TRUE(watcher->poll());
    ASSERT_TRUE(QTest::qWaitFor([&] { return disk->held == 2; }, 5000));
    watcher->stop();
    disk->open();
    ASSERT_TRUE(delivered.wait(5000));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(watcher->seenTrashApps().contains("baz.app"));

    // Rebuilt while a read runs: the rebuild waits for it, the old pass is dropped.
    disk->shut = true;
    ASSERT_TRUE(watcher->poll());
    ASSERT_TRUE(QTest::qWaitFor([&] { return disk->held == 3; }, 5000));
    QSignalSpy rebuilt(watcher.get(), &AppRemovalWatcher::snapshotRebuilt);
    watcher->rebuildSnapshot();
    disk->open();
    ASSERT_TRUE(rebuilt.wait(5000));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_TRUE(watcher->seenTrashApps().contains("baz.app"));  // the rebuild's own Trash listing

    // An offer arriving meanwhile ends a pass as it would have ended at its start.
    const QString bar = "/Applications/Bar.app";
    disk->shut = true;
    ASSERT_TRUE(watcher->poll());
    ASSERT_TRUE(QTest::qWaitFor([&] { return disk->held == 4; }, 5000));
    remove(bar);
    offer = RemainCleanupOffer{};
    disk->open();
    ASSERT_TRUE(delivered.wait(5000));
    EXPECT_TRUE(watcher->knownApps().contains(bar));
    offer.reset();
    ASSERT_TRUE(pollAndWait());
    EXPECT_EQ(offered(), "Bar | com.acme.bar | -");
}
