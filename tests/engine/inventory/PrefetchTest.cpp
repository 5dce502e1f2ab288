#include "engine/inventory/AppScanner.h"
#include "support/FakePlatform.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MacTree;
using tw::test::PrivacyGrant;

namespace {

const QString kTcc = QStringLiteral("/Library/Application Support/com.apple.TCC/TCC.db");

AppInfoPtr makeApp(const QString& name, const QString& id)
{
    AppFields f;
    f.name = name;
    f.bundleIdentifier = id;
    f.path = "/Applications/" + name + ".app";
    return AppInfo::make(f);
}

AppInfoPtr makeGroup(const QString& name, std::vector<AppInfoPtr> members)
{
    AppFields f;
    f.name = name;
    f.bundleIdentifier = "group." + members.front()->bundleIdentifier();
    f.path = "/Applications/" + name;
    AppInfoPtr g = AppInfo::make(f);
    g->setMembers(std::move(members));
    return g;
}

// Counts the queries that reach the privacy databases.
struct CountingPrivacy final : PrivacyStore {
    explicit CountingPrivacy(PrivacyStore& real) : real(real) {}
    PrivacyStore& real;
    QMutex mutex;
    QStringList databases;
    std::optional<QStringList> grantedServices(const QString& db, const QString& client) override
    {
        {
            QMutexLocker lock(&mutex);
            databases << db;
        }
        return real.grantedServices(db, client);
    }
};

// Replies with fixed lines, as a database whose rows carry blanks would.
struct FixedPrivacy final : PrivacyStore {
    QStringList lines;
    std::optional<QStringList> grantedServices(const QString&, const QString&) override { return lines; }
};

struct PrivacyPlatform {
    FakePlatform fp;
    CountingPrivacy counting{*fp.privacy};
    std::unique_ptr<Platform> platform;
    PrivacyPlatform()
    {
        Platform::Parts parts;
        parts.fs = &fp.fs();
        parts.spotlight = &fp.spotlight;
        parts.privacy = &counting;
        platform = std::make_unique<Platform>(parts);
    }
};

// A home where several applications left files.
void writeLeftovers(MacTree& t, const QString& id, const QString& name)
{
    t.writeSized(t.library() + "/Caches/" + id + "/cache.db", 2000);
    t.write(t.library() + "/Preferences/" + id + ".plist", "p");
    t.mkdir(t.library() + "/Application Support/" + name);
}

} // namespace

TEST(PrivacyCount, CountsDistinctGrantedServicesAcrossBothDatabases)
{
    PrivacyPlatform pp;
    MacTree& t = pp.fp.tree();
    pp.fp.tree().makePrivacyDatabase(t.home() + kTcc, {
        {"com.example.app", "kTCCServiceCamera", 2},
        {"COM.Example.App", "kTCCServiceScreenCapture", 2},
        {"com.example.app", "kTCCServiceMicrophone", 0},
        {"com.example.app.helper", "kTCCServiceListenEvent", 2},
        {"com.o'brien.app", "kTCCServiceCamera", 2},
    });
    t.makePrivacyDatabase(kTcc, {
        {"com.example.app", "kTCCServiceCamera", 2},
        {"com.example.app", "kTCCServiceAccessibility", 1},
    });
    const Platform& p = *pp.platform;
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.example.app", "/Applications/Example.app"), 3);
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "Com.Example.APP", "/elsewhere"), 3);
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.example.app.helper", {}), 1);
    // The identifier is data, never part of the query.
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.o'brien.app", {}), 1);
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "x' OR '1'='1", {}), 0);
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.unknown.app", {}), 0);
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "", {}), 0);
}

TEST(PrivacyCount, SkipsMissingAndBrokenDatabases)
{
    PrivacyPlatform pp;
    MacTree& t = pp.fp.tree();
    const Platform& p = *pp.platform;
    // Neither database exists: nothing is queried and the count is 0.
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.example.app", {}), 0);
    EXPECT_TRUE(pp.counting.databases.isEmpty());
    // A user database that is not a database contributes nothing.
    t.write(t.home() + kTcc, "garbage, not sqlite");
    t.makePrivacyDatabase(kTcc, {{"com.example.app", "kTCCServiceCamera", 2}});
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.example.app", {}), 1);
    EXPECT_EQ(pp.counting.databases, (QStringList{t.home() + kTcc, kTcc}));
}

TEST(PrivacyCount, BlankServiceLinesAreIgnored)
{
    FakePlatform fp;
    FixedPrivacy fixed;
    fixed.lines = {"kTCCServiceCamera", "  ", "", " kTCCServiceCamera \n", "kTCCServicePhotos\n\nkTCCServiceCamera"};
    fp.tree().makePrivacyDatabase(fp.tree().home() + kTcc, {});
    Platform::Parts parts;
    parts.fs = &fp.fs();
    parts.privacy = &fixed;
    const Platform p(parts);
    EXPECT_EQ(AppScanner::privacyPermissionCount(p, "com.example.app", {}), 2);
}

// Notes when each search asks Spotlight its last question, the end of that
// search.
struct SearchEnds final : Spotlight {
    QMutex* mutex = nullptr;
    std::vector<std::pair<char, size_t>>* events = nullptr;
    int* active = nullptr;
    std::optional<QByteArray> find(const QString& folder, const QString& query) override
    {
        if (folder == "/Users/Shared" && query.endsWith(".binarycookies'cd")) {
            const qsizetype at = query.indexOf("app") + 3;
            const size_t index = query.mid(at, query.indexOf('.', at) - at).toULong();
            QMutexLocker lock(mutex);
            events->emplace_back('e', index);
            --*active;
        }
        return QByteArray();
    }
};

TEST(Prefetch, SearchesInConsecutiveBatchesOfFourAtMost)
{
    FakePlatform fp;
    for (int i = 0; i < 9; ++i)
        writeLeftovers(fp.tree(), QString("com.example.app%1").arg(i), QString("App %1").arg(i));
    std::vector<AppScanner::LeftoverQuery> queries;
    for (int i = 0; i < 9; ++i)
        queries.push_back({QString("com.example.app%1").arg(i), QString("App %1").arg(i), {}});

    QMutex mutex;
    std::vector<std::pair<char, size_t>> events;  // 's'tart or 'e'nd of a search, query index
    int active = 0, maxActive = 0;
    SearchEnds ends;
    ends.mutex = &mutex;
    ends.events = &events;
    ends.active = &active;
    Platform::Parts parts;
    parts.fs = &fp.fs();
    parts.spotlight = &ends;
    parts.privacy = fp.privacy.get();
    const Platform p(parts);

    std::vector<AppScanner::PrefetchResult> results(queries.size());
    std::vector<int> reported(queries.size(), 0);
    AppScanner::prefetchLeftovers(
        p, queries,
        [&](size_t i) {
            QMutexLocker lock(&mutex);
            events.emplace_back('s', i);
            maxActive = std::max(maxActive, ++active);
            return false;
        },
        [&](size_t i, AppScanner::PrefetchResult r) {
            QMutexLocker lock(&mutex);
            ++reported[i];
            results[i] = std::move(r);
        });
    ASSERT_EQ(events.size(), 18u);
    EXPECT_LE(maxActive, 4);
    EXPECT_EQ(reported, std::vector<int>(queries.size(), 1));
    // No search of a batch starts before every search of the previous batch ended.
    for (size_t e = 0; e < events.size(); ++e) {
        if (events[e].first != 's')
            continue;
        const size_t batch = events[e].second / 4;
        for (size_t later = e + 1; later < events.size(); ++later) {
            if (events[later].first == 'e') {
                EXPECT_GE(events[later].second / 4, batch) << "query " << events[later].second;
            }
        }
    }
    for (size_t i = 0; i < queries.size(); ++i) {
        EXPECT_EQ(results[i].leftovers, AppScanner::findLeftovers(fp, queries[i].bundleId, queries[i].name,
                                                                  std::nullopt, std::nullopt));
        EXPECT_EQ(results[i].leftovers.size(), 3u);
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
    std::vector<AppInfoPtr> members{makeApp("one", ids[0]), makeApp("two", ids[1]), makeApp("three", ids[2])};
    AppInfoPtr group = makeGroup("Vendor", members);
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
}

TEST(Prefetch, LeavesTheLeftoversOfAScannedApplicationAsTheUserLeftThem)
{
    FakePlatform fp;
    MacTree& t = fp.tree();
    writeLeftovers(t, "com.example.app", "Example");
    writeLeftovers(t, "com.other.app", "Other");
    t.makePrivacyDatabase(t.home() + kTcc, {{"com.example.app", "kTCCServiceCamera", 2}});
    AppInfoPtr app = makeApp("Example", "com.example.app");
    AppInfoPtr other = makeApp("Other", "com.other.app");
    AppScanner scanner(fp);

    // The user opens the application and unticks one leftover...
    scanner.scanLeftovers(app);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isScanningLeftovers(); }, 10000));
    ASSERT_EQ(app->leftovers().size(), 3);
    const QList<LeftoverPtr> before = app->leftovers();
    before[1]->setSelected(false, true);

    // ...then a prefetch runs over the list.
    QSignalSpy finished(&scanner, &AppScanner::prefetchFinished);
    scanner.prefetchLeftoverSizes({app, other});
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(app->leftovers(), before);
    EXPECT_FALSE(app->leftovers()[1]->isSelected());
    EXPECT_TRUE(app->leftovers()[0]->isSelected());
    EXPECT_EQ(app->privacyPermissionCount(), 1);  // the count is still taken
    EXPECT_EQ(other->leftovers().size(), 3);
}

TEST(Prefetch, DoesNotSearchAgainForAnApplicationBeingScanned)
{
    FakePlatform fp;
    writeLeftovers(fp.tree(), "com.example.app", "Example");
    AppInfoPtr app = makeApp("Example", "com.example.app");
    AppScanner scanner(fp);
    QSignalSpy finished(&scanner, &AppScanner::prefetchFinished);
    scanner.scanLeftovers(app);
    scanner.prefetchLeftoverSizes({app});
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->isScanningLeftovers(); }, 10000));
    // One search asks Spotlight twenty times: only the single scan searched.
    EXPECT_EQ(fp.spotlight.calls.size(), 20u);
    EXPECT_EQ(app->leftovers().size(), 3);
    for (const LeftoverPtr& l : app->leftovers())
        EXPECT_EQ(l->owner(), app);
}

TEST(Prefetch, AnEmptyListStartsNothing)
{
    FakePlatform fp;
    AppScanner scanner(fp);
    QSignalSpy finished(&scanner, &AppScanner::prefetchFinished);
    scanner.prefetchLeftoverSizes({});
    scanner.prefetchLeftoverSizes({nullptr});
    EXPECT_FALSE(finished.wait(200));
    EXPECT_TRUE(fp.spotlight.calls.empty());
}
