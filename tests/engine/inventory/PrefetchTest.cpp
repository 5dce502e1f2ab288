#include "engine/inventory/AppScanner.h"
#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/Prefetch.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"

#include "platform/ThreadPool.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MacTree;

namespace {

const QString kTcc = QStringLiteral("/Library/Application Support/com.apple.TCC/TCC.db");

AppInfoPtr makeApp(const QString& name, const QString& id) { return AppInfo::make({name, id, "/Applications/" + name + ".app"}); }

// Three leftovers of 3 KiB in all.
void writeLeftovers(MacTree& t, const QString& id, const QString& name)
{
    t.writeSized(t.library() + "/Caches/" + id + "/cache.db", 2000);
    t.write(t.library() + "/Preferences/" + id + ".plist", "p");
    t.mkdir(t.library() + "/Application Support/" + name);
}

// Counts the queries that reach the privacy databases, or answers fixed lines.
struct TestPrivacy final : PrivacyStore {
    PrivacyStore* real = nullptr;
    QStringList fixedLines;
    QMutex mutex;
    QStringList databases;
    Result<QStringList> grantedServices(const QString& db, const QString& client) override
    {
        QMutexLocker lock(&mutex);
        databases << db;
        return real ? real->grantedServices(db, client) : Result<QStringList>(fixedLines);
    }
};

// Notes the end of each search: the last question it asks Spotlight.
struct SearchEnds final : Spotlight {
    QMutex mutex;
    std::vector<std::pair<char, size_t>> events;  // 's'tart or 'e'nd of a search, query index
    int active = 0, maxActive = 0;
    void note(char what, size_t i)
    {
        QMutexLocker lock(&mutex);
        events.emplace_back(what, i);
        active += what == 's' ? 1 : -1;
        maxActive = std::max(maxActive, active);
    }
    Result<QByteArray> find(const QString& folder, const QString& query) override
    {
        if (folder == "/Users/Shared" && query.endsWith(".binarycookies'cd")) {
            const qsizetype at = query.indexOf("app") + 3;
            note('e', query.mid(at, query.indexOf('.', at) - at).toULong());
        }
        return QByteArray();
    }
};

} // namespace

TEST(PrivacyCount, CountsDistinctGrantedServicesAcrossBothDatabasesSkippingBrokenOnes)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    TestPrivacy counting;
    counting.real = fp.privacy.get();
    Platform::Parts parts;
    parts.fs = &fp.fs();
    parts.privacy = &counting;
    const Platform p(parts);
    auto count = [&](const QString& id) { return prefetch::privacyPermissionCount(p, id, "/Applications/Example.app"); };

    // Neither database exists: nothing is queried.
    EXPECT_EQ(count("com.example.app"), 0);
    EXPECT_TRUE(counting.databases.isEmpty());
    // A user database that is not a database contributes nothing.
    t.write(t.home() + kTcc, "garbage, not sqlite");
    t.makePrivacyDatabase(kTcc, {{"com.example.app", "kTCCServiceCamera", 2}, {"com.example.app", "kTCCServiceAccessibility", 1}});
    EXPECT_EQ(count("com.example.app"), 2);
    EXPECT_EQ(counting.databases, (QStringList{t.home() + kTcc, kTcc}));

    t.makePrivacyDatabase(t.home() + kTcc, {{"com.example.app", "kTCCServiceCamera", 2},
                                            {"COM.Example.App", "kTCCServiceScreenCapture", 2},
                                            {"com.example.app", "kTCCServiceMicrophone", 0},
                                            {"com.example.app.helper", "kTCCServiceListenEvent", 2},
                                            {"com.o'brien.app", "kTCCServiceCamera", 2}});
    EXPECT_EQ(count("com.example.app"), 3);
    EXPECT_EQ(count("Com.Example.APP"), 3);
    EXPECT_EQ(count("com.example.app.helper"), 1);
    // The identifier is data, never part of the query.
    EXPECT_EQ(count("com.o'brien.app"), 1);
    EXPECT_EQ(count("x' OR '1'='1"), 0);
    EXPECT_EQ(count("com.unknown.app"), 0);
    EXPECT_EQ(count(""), 0);

    // Blank service lines are not services.
    TestPrivacy fixed;
    fixed.fixedLines = {"kTCCServiceCamera", "  ", "", " kTCCServiceCamera \n", "kTCCServicePhotos\n\nkTCCServiceCamera"};
    parts.privacy = &fixed;
    EXPECT_EQ(prefetch::privacyPermissionCount(Platform(parts), "com.example.app", {}), 2);
}

TEST(Prefetch, SearchesFourAtMostAndReportsEachApplicationOnce)
{
    FakePlatform fp;
    std::vector<prefetch::Query> queries;
    for (int i = 0; i < 9; ++i) {
        writeLeftovers(fp.tree(), QString("com.example.app%1").arg(i), QString("App %1").arg(i));
        queries.push_back({QString("com.example.app%1").arg(i), QString("App %1").arg(i), {}});
    }
    SearchEnds ends;
    Platform::Parts parts;
    parts.fs = &fp.fs();
    parts.spotlight = &ends;
    parts.privacy = fp.privacy.get();
    std::vector<prefetch::Figures> results(queries.size());
    std::vector<int> reported(queries.size(), 0);
    prefetch::prefetchLeftovers(
        Platform(parts), queries,
        [&](size_t i) {
            ends.note('s', i);
            return false;
        },
        [&](size_t i, prefetch::Figures r) {
            QMutexLocker lock(&ends.mutex);
            ++reported[i];
            results[i] = std::move(r);
        });
    ASSERT_EQ(ends.events.size(), 18u);
    EXPECT_LE(ends.maxActive, 4);
    EXPECT_EQ(reported, std::vector<int>(queries.size(), 1));
    for (size_t i = 0; i < queries.size(); ++i) {
        EXPECT_EQ(results[i].leftovers.size(), 3u);
        EXPECT_EQ(results[i].leftovers, leftovers::findLeftovers(fp, queries[i].bundleId, queries[i].name, std::nullopt, std::nullopt));
    }
}

TEST(Prefetch, FillsEveryMemberAndSingleAppButNotGroupRows)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    const QStringList ids{"com.vendor.one", "com.vendor.two", "com.vendor.three", "com.solo.a", "com.solo.b"};
    for (const QString& id : ids)
        writeLeftovers(t, id, id.section('.', -1));
    t.makePrivacyDatabase(t.home() + kTcc, {{"com.solo.a", "kTCCServiceCamera", 2}, {"com.solo.a", "kTCCServicePhotos", 2},
                                            {"com.vendor.two", "kTCCServiceCamera", 2}});
    const std::vector<AppInfoPtr> members{makeApp("one", ids[0]), makeApp("two", ids[1]), makeApp("three", ids[2])};
    AppInfoPtr group = AppInfo::make({"Vendor", "group.com.vendor.one", "/Applications/Vendor"});
    group->setMembers(members);
    AppInfoPtr a = makeApp("a", ids[3]), b = makeApp("b", ids[4]);

    AppScanner scanner(fp);
    QSignalSpy prefetched(&scanner, &AppScanner::leftoversPrefetched);
    QSignalSpy finished(&scanner, &AppScanner::prefetchFinished);
    scanner.prefetchLeftoverSizes({group, a, b});
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(prefetched.size(), 5);
    for (const AppInfoPtr& app : {members[0], members[1], members[2], a, b}) {
        ASSERT_EQ(app->leftovers().size(), 3) << app->name().toStdString();
        for (const LeftoverPtr& l : app->leftovers()) {
            EXPECT_EQ(l->owner(), app);
            EXPECT_TRUE(l->isSelected());
        }
        EXPECT_EQ(app->totalLeftoverSize(), 2048 + 1024);
        EXPECT_FALSE(app->isScanningLeftovers());
    }
    EXPECT_TRUE(group->leftovers().isEmpty());
    EXPECT_EQ(a->privacyPermissionCount(), 2);
    EXPECT_EQ(members[1]->privacyPermissionCount(), 1);
    EXPECT_EQ(b->privacyPermissionCount(), 0);
    EXPECT_EQ(group->privacyPermissionCount(), 0);
    EXPECT_EQ(group->displaySize(), 3 * (2048 + 1024));

    // An empty list, or one of nothing, starts nothing.
    fp.spotlight.calls.clear();
    const qsizetype ended = finished.count();
    scanner.prefetchLeftoverSizes({});
    scanner.prefetchLeftoverSizes({nullptr});
    // What they had started would have run and reported by now.
    tw::waitForEnginePool();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), ended);
    EXPECT_TRUE(fp.spotlight.calls.empty());
}

TEST(Prefetch, LeavesTheLeftoversOfAScannedApplicationAsTheUserLeftThem)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    for (const QString name : {"Example", "Busy", "Other"})
        writeLeftovers(t, "com." + name.toLower() + ".app", name);
    t.makePrivacyDatabase(t.home() + kTcc, {{"com.example.app", "kTCCServiceCamera", 2}});
    AppInfoPtr app = makeApp("Example", "com.example.app");
    AppInfoPtr busy = makeApp("Busy", "com.busy.app");
    AppInfoPtr other = makeApp("Other", "com.other.app");
    AppScanner scanner(fp);

    // The user opens the application and unticks one leftover...
    scanner.scanLeftovers(app);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isScanningLeftovers(); }, 10000));
    ASSERT_EQ(app->leftovers().size(), 3);
    const QList<LeftoverPtr> before = app->leftovers();
    before[1]->setSelected(false, RootSync::Refresh);

    // ...then a prefetch runs over the list while another application is being scanned.
    scanner.scanLeftovers(busy);
    QSignalSpy finished(&scanner, &AppScanner::prefetchFinished);
    scanner.prefetchLeftoverSizes({app, busy, other});
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !busy->isScanningLeftovers(); }, 10000));
    ASSERT_EQ(app->leftovers(), before);
    EXPECT_FALSE(app->leftovers()[1]->isSelected());
    EXPECT_TRUE(app->leftovers()[0]->isSelected());
    EXPECT_EQ(app->privacyPermissionCount(), 1);  // the count is still taken
    EXPECT_EQ(other->leftovers().size(), 3);
    // One search asks Spotlight twenty times: the two single scans and the other application's.
    EXPECT_EQ(fp.spotlight.calls.size(), 3 * 20u);
    ASSERT_EQ(busy->leftovers().size(), 3);
    for (const LeftoverPtr& l : busy->leftovers())
        EXPECT_EQ(l->owner(), busy);
}

// A slow search holds only its own place: the others go on past it, with the
// pool limited to one or two threads, and every application gets its figures.
TEST(Prefetch, ASlowSearchDoesNotHoldBackTheRestOnASmallPool)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    std::vector<prefetch::Query> queries;
    std::vector<prefetch::Figures> expected;
    for (int i = 0; i < 10; ++i) {
        const QString id = QString("com.example.app%1").arg(i), name = QString("App %1").arg(i);
        writeLeftovers(t, id, name);
        queries.push_back({id, name, {}});
    }
    t.makePrivacyDatabase(t.home() + kTcc, {{"com.example.app3", "kTCCServiceCamera", 2}, {"com.example.app7", "kTCCServicePhotos", 2}});
    for (const auto& q : queries)
        expected.push_back({leftovers::findLeftovers(fp, q.bundleId, q.name, std::nullopt, std::nullopt),
                            prefetch::privacyPermissionCount(fp, q.bundleId, {})});

    QThreadPool& pool = enginePool();
    const int threads = pool.maxThreadCount();
    for (int limit : {1, 2}) {
        pool.setMaxThreadCount(limit);
        SearchEnds ends;
        Platform::Parts parts;
        parts.fs = &fp.fs();
        parts.spotlight = &ends;
        parts.privacy = fp.privacy.get();
        std::mutex mutex;
        std::condition_variable changed;
        bool othersEndedFirst = false;
        std::vector<int> reported(queries.size(), 0);
        std::vector<prefetch::Figures> results(queries.size());
        auto endedCount = [&] {
            return std::count_if(ends.events.begin(), ends.events.end(), [](const auto& e) { return e.first == 'e'; });
        };
        prefetch::prefetchLeftovers(
            Platform(parts), queries,
            [&](size_t i) {
                ends.note('s', i);
                // With two threads, search 0 waits for the nine others to end
                // (with the old batches of four, four of them never would).
                if (i == 0 && limit == 2) {
                    std::unique_lock lock(mutex);
                    othersEndedFirst = changed.wait_for(lock, std::chrono::seconds(60), [&] {
                        QMutexLocker inner(&ends.mutex);
                        return endedCount() == 9;
                    });
                }
                return false;
            },
            [&](size_t i, prefetch::Figures r) {
                {
                    QMutexLocker lock(&ends.mutex);
                    ++reported[i];
                    results[i] = std::move(r);
                }
                std::lock_guard lock(mutex);
                changed.notify_all();
            });
        if (limit == 2) {
            EXPECT_TRUE(othersEndedFirst);
        }
        EXPECT_LE(ends.maxActive, 4) << limit << " pool thread(s)";
        EXPECT_EQ(reported, std::vector<int>(queries.size(), 1)) << limit << " pool thread(s)";
        for (size_t i = 0; i < queries.size(); ++i) {
            EXPECT_EQ(results[i].leftovers, expected[i].leftovers) << limit << " pool thread(s), query " << i;
            EXPECT_EQ(results[i].privacyPermissionCount, expected[i].privacyPermissionCount) << i;
        }
        pool.waitForDone();
    }
    pool.setMaxThreadCount(threads);
}
