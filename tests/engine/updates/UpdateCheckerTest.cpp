#include "FeedSamples.h"
#include "Printing.h"
#include "engine/inventory/Models.h"
#include "engine/updates/UpdateChecker.h"
#include "engine/updates/UpdateRows.h"
#include "platform/ThreadPool.h"
#include "support/Collect.h"
#include "support/FakePlatform.h"
#include "support/LocalHttpServer.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace tw {
namespace {

using namespace std::chrono_literals;
using A = UpdateAvailability;
using Kind = UpdateAvailability::Kind;

QByteArray feed(const QByteArray& version, const QByteArray& download = "https://example.com/get.zip")
{
    return "<rss><channel><item><title>New</title><sparkle:shortVersionString>" + version +
           "</sparkle:shortVersionString><enclosure url=\"" + download + "\" length=\"1\"/></item></channel></rss>";
}

class UpdateCheckerTest : public ::testing::Test {
protected:
    test::FakePlatform fp;
    test::LocalHttpServer server;
    UpdateChecker checker{fp.platform()};
    std::vector<std::pair<QString, Kind>> rowLog;  // (name, availability) as each row changes
    QStringList progressLog;

    void SetUp() override
    {
        checker.setRequestOptions({server.base(), 3000ms});
        QObject::connect(&checker, &UpdateChecker::itemChanged, [this](int row) {
            rowLog.emplace_back(checker.items()[row].name, checker.items()[row].availability.kind());
        });
        QObject::connect(&checker, &UpdateChecker::progressTextChanged,
                         [this] { progressLog << checker.progressText(); });
    }

    // An application; feedPath names its update feed on the server.
    AppInfoPtr app(const QString& name, const QString& version, const QString& feedPath = {}, bool receipt = false,
                   bool system = false)
    {
        AppFields f{name, "com.example." + name.toLower(), "/Applications/" + name + ".app", {}, 0, system, version};
        test::BundleRecipe recipe{f.bundleIdentifier, name, {}, version};
        if (!feedPath.isEmpty())
            recipe.extra.insert("SUFeedURL", server.url(feedPath).toString());
        fp.tree().makeApp(f.path, recipe);
        if (receipt)
            fp.tree().write(f.path + "/Contents/_MASReceipt/receipt", "receipt");
        return AppInfo::make(f);
    }
    void lookup(const QString& name, test::Reply reply)
    {
        server.route("/lookup?bundleId=com.example." + name.toLower() + "&entity=macSoftware", std::move(reply));
    }
    bool finished() { return QTest::qWaitFor([&] { return !checker.isChecking(); }, 10000); }
    static QStringList names(const QList<AppUpdateItem>& rows) { return test::collect(rows, &AppUpdateItem::name); }
    QStringList requestedPaths() const { return test::collect(server.requests(), &test::RecordedRequest::path); }
    std::optional<A> state(const QString& name)
    {
        const AppUpdateItem* row = test::findBy(checker.items(), &AppUpdateItem::name, name);
        return row ? std::optional<A>(row->availability) : std::nullopt;
    }
};

TEST_F(UpdateCheckerTest, ChecksEveryChannelOneRowAfterAnother)
{
    auto slow = [](test::Reply r) { r.delayMs = 20; return r; };  // a second request would overlap
    server.route("/alpha.xml", slow(test::Reply::ok(feed("2.0", "https://example.com/Alpha-2.0.zip"))));
    server.route("/beta.xml", slow(test::Reply::ok("<rss>" + feed("3.1") + feed("3.0") + feed("2.9") + "</rss>")));
    server.route("/latin.xml", slow(test::Reply::ok("<?xml encoding=\"ISO-8859-1\"?><title>Caf\xE9</title>" + feed("1.5"))));
    lookup("Gamma", slow(test::Reply::ok(R"({"resultCount":1,"results":[{"version":"4.2","trackId":42}]})", "text/javascript")));
    lookup("Foxtrot", slow(test::Reply::code(500, R"({"results":[{"version":"7.0","trackId":9}]})")));
    lookup("Golf", slow(test::Reply::ok(R"({"resultCount":0,"results":[]})")));
    lookup("Hotel", slow(test::Reply::ok("{\"results\": [")));

    AppInfoPtr suite = app("Suite", "");
    suite->setMembers({app("Kilo", "1"), app("Lima", "1")});
    const QList<AppInfoPtr> apps{app("Alpha", "1.0", "/alpha.xml"), app("beta", "3.1", "/beta.xml"),
                                 app("Echo", "1.0", "/missing.xml"), app("Gamma", "4.0", {}, true),
                                 app("Hotel", "1.0", {}, true), app("Foxtrot", "7.0", {}, true),
                                 app("Golf", "1.0", {}, true), app("Delta", "1.0"), app("Latin", "1.0", "/latin.xml"),
                                 app("Safari", "17.0", "/alpha.xml", false, true), suite};
    QSignalSpy checking(&checker, &UpdateChecker::isCheckingChanged);
    QList<AppUpdateItem> published;
    QObject::connect(&checker, &UpdateChecker::itemsChanged, [&] {
        if (published.isEmpty())
            published = checker.items();
    });
    checker.checkAll(apps);
    EXPECT_TRUE(checker.isChecking());
    ASSERT_TRUE(finished());

    const QStringList order{"Alpha", "beta", "Delta", "Echo", "Foxtrot", "Gamma", "Golf", "Hotel", "Kilo", "Latin", "Lima"};
    EXPECT_EQ(names(published), order);  // system applications and groups make no rows
    for (const AppUpdateItem& r : published)
        EXPECT_EQ(r.availability, A::pending());
    EXPECT_EQ((std::vector<UpdateChannel>{published[0].channel, published[2].channel, published[5].channel}),
              (std::vector<UpdateChannel>{UpdateChannel::sparkle, UpdateChannel::manual, UpdateChannel::appStore}));

    const std::map<QString, A> expected{
        {"Alpha", A::updateAvailable("2.0", QUrl("https://example.com/Alpha-2.0.zip"))},
        {"beta", A::upToDate()},  // only the first item counts
        {"Delta", A::launchToUpdate()},
        {"Echo", A::failed(kUpdateIssueMessage)},
        {"Foxtrot", A::upToDate()},  // an error status with a usable body is read
        {"Gamma", A::appStoreUpdate("4.2", 42)},
        {"Golf", A::launchToUpdate()},
        {"Hotel", A::failed(kConnectionProblemMessage)},
        {"Kilo", A::launchToUpdate()},
        {"Latin", A::updateAvailable("1.5", QUrl("https://example.com/get.zip"))},
        {"Lima", A::launchToUpdate()},
    };
    std::vector<std::pair<QString, Kind>> expectedLog;
    QStringList expectedProgress;
    for (int i = 0; i < order.size(); ++i) {
        EXPECT_EQ(state(order[i]), expected.at(order[i])) << order[i].toStdString();
        expectedLog.emplace_back(order[i], Kind::checking);
        expectedLog.emplace_back(order[i], expected.at(order[i]).kind());
        expectedProgress << QStringLiteral("Checking: %1 apps left out of 11").arg(11 - i);
    }
    EXPECT_EQ(rowLog, expectedLog);  // each row ends before the next one starts
    EXPECT_EQ(progressLog, expectedProgress << "");
    EXPECT_EQ(checking.size(), 2);
    EXPECT_FALSE(checker.lastError());

    // The requests: one at a time, in row order, each a plain GET with our user agent.
    EXPECT_EQ(requestedPaths(), QStringList({"/alpha.xml", "/beta.xml", "/missing.xml", "/lookup", "/lookup",
                                                    "/lookup", "/lookup", "/latin.xml"}));
    EXPECT_EQ(server.maxInFlight(), 1);
    QStringList queries;
    for (const test::RecordedRequest& r : server.requests()) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.headers.value("user-agent"), "Sweepline/1.0");
        if (r.path == "/lookup")
            queries << r.query;
    }
    EXPECT_EQ(queries, QStringList({"bundleId=com.example.foxtrot&entity=macSoftware",
                                    "bundleId=com.example.gamma&entity=macSoftware",
                                    "bundleId=com.example.golf&entity=macSoftware",
                                    "bundleId=com.example.hotel&entity=macSoftware"}));

    EXPECT_EQ(names(checker.actionableItems()), QStringList({"Alpha", "Gamma", "Latin"}));
    EXPECT_EQ(names(checker.displayedItems()), order);
    checker.setShowAllApplications(false);
    EXPECT_EQ(names(checker.displayedItems()), QStringList({"Alpha", "Delta", "Gamma", "Golf", "Kilo", "Latin", "Lima"}));
}

TEST_F(UpdateCheckerTest, FinalLineSaysHowManyCouldNotBeChecked)
{
    checker.setRequestOptions({server.base(), 300ms});
    server.route("/hang.xml", test::Reply::of(test::Reply::Mode::Hang));
    server.route("/same.xml", test::Reply::ok(feed("1.0")));
    server.route("/new.xml", test::Reply::ok(feed("1.1")));

    checker.checkAll({app("Silent", "1.0", "/hang.xml")});
    ASSERT_TRUE(finished());
    EXPECT_EQ(state("Silent"), A::failed(kConnectionProblemMessage));  // the timeout
    EXPECT_EQ(checker.progressText(), "1 app could not be checked.");

    checker.checkAll({app("Gone", "1.0", "/gone.xml"), app("Silent", "1.0", "/hang.xml"), app("Same", "1.0", "/same.xml")});
    ASSERT_TRUE(finished());
    EXPECT_EQ(checker.progressText(), "2 apps could not be checked.");

    checker.checkAll({app("Same", "1.0", "/same.xml"), app("Plain", "1.0")});
    ASSERT_TRUE(finished());
    EXPECT_EQ(checker.progressText(), "All your apps are up to date.");

    checker.checkAll({app("Gone", "1.0", "/gone.xml"), app("Newer", "1.0", "/new.xml")});
    ASSERT_TRUE(finished());
    EXPECT_EQ(checker.progressText(), "");
}

TEST_F(UpdateCheckerTest, HostileFeedsEndTheirRowsAndTheLoopGoesOn)
{
    checker.setRequestOptions({server.base(), 400ms});
    server.route("/bomb.xml", test::Reply::gzipped(test::gzip(feed("9.0") + QByteArray(48 << 20, ' '))));
    server.route("/trickle.xml", {test::Reply::Mode::Trickle, 200, feed("9.0"), "text/xml", {}, 25});
    server.route("/backtracking.xml", test::Reply::ok(test::backtrackingFeed().toUtf8()));
    server.route("/fine.xml", test::Reply::ok(feed("2.0")));

    checker.checkAll({app("Bomb", "1.0", "/bomb.xml"), app("Slow", "1.0", "/trickle.xml"),
                      app("Stuck", "1.0", "/backtracking.xml"), app("Zeta", "1.0", "/fine.xml")});
    ASSERT_TRUE(finished());
    EXPECT_EQ(state("Bomb"), A::failed(kConnectionProblemMessage));
    EXPECT_EQ(state("Slow"), A::failed(kConnectionProblemMessage));
    EXPECT_EQ(state("Stuck"), A::updateAvailable("2.0", std::nullopt));
    EXPECT_EQ(state("Zeta"), A::updateAvailable("2.0", QUrl("https://example.com/get.zip")));
}

TEST_F(UpdateCheckerTest, NewCheckCancelsTheRunningOne)
{
    server.route("/hang.xml", test::Reply::of(test::Reply::Mode::Hang));
    server.route("/b.xml", test::Reply::ok(feed("2.0")));
    server.route("/c.xml", test::Reply::ok(feed("2.0")));
    const QList<AppInfoPtr> first{app("A", "1.0", "/hang.xml"), app("B", "1.0", "/b.xml")};
    QSignalSpy checking(&checker, &UpdateChecker::isCheckingChanged);

    checker.checkAll(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.inFlight() == 1; }, 10000));
    checker.checkAll({app("C", "1.0", "/c.xml")});
    EXPECT_TRUE(checker.isChecking());
    ASSERT_TRUE(finished());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedUnanswered() == 1; }, 10000));  // the request was aborted
    EXPECT_EQ(names(checker.items()), QStringList{"C"});
    EXPECT_EQ(state("C"), A::updateAvailable("2.0", QUrl("https://example.com/get.zip")));
    EXPECT_EQ(requestedPaths(), QStringList({"/hang.xml", "/c.xml"}));  // B never asked
    EXPECT_EQ(rowLog, (std::vector<std::pair<QString, Kind>>{
                          {"A", Kind::checking}, {"C", Kind::checking}, {"C", Kind::updateAvailable}}));
    EXPECT_EQ(progressLog, QStringList({"Checking: 2 apps left out of 2", "Checking: 1 apps left out of 1", ""}));
    EXPECT_EQ(checking.size(), 2);  // true once, false once: no gap between the two checks

    // An empty list ends a running check without a result line.
    checker.checkAll(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.inFlight() == 1; }, 10000));
    checker.checkAll({});
    EXPECT_FALSE(checker.isChecking());
    EXPECT_EQ(checker.progressText(), "");
    EXPECT_TRUE(checker.items().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedUnanswered() == 2; }, 10000));

    // Replaced while its rows are still being built: its rows never show.
    QStringList shown;
    auto watch = QObject::connect(&checker, &UpdateChecker::itemsChanged, [&] { shown << names(checker.items()); });
    checker.checkAll(first);
    checker.checkAll({app("Plain", "1.0")});
    ASSERT_TRUE(finished());
    QObject::disconnect(watch);
    EXPECT_FALSE(shown.contains("A"));
    EXPECT_EQ(names(checker.items()), QStringList{"Plain"});

    // When idle, an empty list starts nothing and leaves the line alone.
    checker.checkAll({app("System", "1.0", {}, false, true)});
    EXPECT_FALSE(checker.isChecking());
    EXPECT_EQ(checker.progressText(), "All your apps are up to date.");

    // A checker destroyed while building its rows, and one in the middle of a request.
    auto doomed = std::make_unique<UpdateChecker>(fp.platform());
    doomed->checkAll(first);
    doomed = std::make_unique<UpdateChecker>(fp.platform());
    doomed->setRequestOptions({server.base(), 3000ms});
    doomed->checkAll(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.inFlight() == 1; }, 10000));
    doomed.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedUnanswered() == 3; }, 10000));
}

TEST_F(UpdateCheckerTest, QuittingEndsTheRequestInFlightAndItsAnswerNeverComes)
{
    server.route("/held.xml", test::Reply::heldBack(test::Reply::ok(feed("2.0"))));
    // Far longer than the wait below: only the quit ends the request in time.
    checker.setRequestOptions({server.base(), 120s});
    checker.checkAll({app("A", "1.0", "/held.xml")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.heldCount() == 1; }, 10000));

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedUnanswered() == 1; }, 10000));
    server.releaseHeld();  // to a closed connection
    // The answer to a later request comes after the held one would have, and
    // the pool then after its reading.
    server.route("/later.xml", test::Reply::ok("later"));
    bool later = false;
    auto call = fp.platform().http().get(server.url("/later.xml"), 10s, "Probe/1.0",
                                         [&](const HttpResponse&) { later = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return later; }, 10000));
    waitForEnginePool();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(state("A"), A::checking());
    EXPECT_TRUE(checker.isChecking());
}

TEST_F(UpdateCheckerTest, ChannelsComeFromReceiptAndFeedAddress)
{
    auto bundle = [&](const QString& name, const QVariantMap& info, bool receipt = false) {
        const QString path = "/Applications/" + name + ".app";
        fp.tree().makeApp(path, test::BundleRecipe{"com." + name, name, {}, "1.0", {}, info});
        if (receipt)
            fp.tree().write(path + "/Contents/_MASReceipt/receipt", "r");
        return updaterows::detectChannel(fp.platform(), path);
    };
    EXPECT_EQ(bundle("Store", {{"SUFeedURL", "https://a.com/f.xml"}}, true), UpdateChannel::appStore);
    EXPECT_EQ(bundle("Feed", {{"SUFeedURL", "https://a.com/f.xml"}}), UpdateChannel::sparkle);
    EXPECT_EQ(bundle("Lower", {{"SUFeedUrl", "https://a.com/f.xml"}}), UpdateChannel::sparkle);
    EXPECT_EQ(bundle("Number", {{"SUFeedURL", 5}, {"SUFeedUrl", "https://a.com/f.xml"}}), UpdateChannel::sparkle);
    EXPECT_EQ(bundle("Empty", {{"SUFeedURL", ""}, {"SUFeedUrl", "https://a.com/f.xml"}}), UpdateChannel::manual);
    EXPECT_EQ(bundle("Broken", {{"SUFeedURL", "http://a b.com/f.xml"}}), UpdateChannel::manual);
    EXPECT_EQ(bundle("None", {}), UpdateChannel::manual);
    fp.tree().write("/Applications/Garbage.app/Contents/Info.plist", "\x00\xff garbage");
    EXPECT_EQ(updaterows::detectChannel(fp.platform(), "/Applications/Garbage.app"), UpdateChannel::manual);

    // One row per bundle, even when the list names it twice.
    const AppInfoPtr twice = app("Twice", "1.0");
    EXPECT_EQ(updaterows::prepare(fp.platform(), {twice, AppInfo::make(twice->fields())}).size(), 1);

    // The feed address is read when the row's turn comes.
    server.route("/first.xml", {test::Reply::Mode::Answer, 200, feed("1.0"), "text/xml", {}, 100});
    server.route("/new.xml", test::Reply::ok(feed("1.0")));
    checker.checkAll({app("First", "1.0", "/first.xml"), app("Moving", "1.0", "/old.xml")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.inFlight() == 1; }, 10000));
    fp.tree().writePlist("/Applications/Moving.app/Contents/Info.plist", {{"SUFeedURL", server.url("/new.xml").toString()}});
    ASSERT_TRUE(finished());
    EXPECT_EQ(requestedPaths(), QStringList({"/first.xml", "/new.xml"}));
    EXPECT_EQ(state("Moving"), A::upToDate());
}

TEST_F(UpdateCheckerTest, PrimaryActionOpensOnlyWhatIsSafe)
{
    AppUpdateItem row{"/Applications/Foo.app", "Foo", "com.foo.app", {}, "1.0", UpdateChannel::appStore, {}};
    const struct {
        A availability;
        QString bundleId;
        std::optional<QString> url;  // none: a path is opened instead
        QString path;
    } rows[] = {
        {A::appStoreUpdate("2", 497799835), "com.foo.app", "macappstore://apps.apple.com/app/id497799835", {}},
        {A::appStoreUpdate("2", std::nullopt), "com.foo.app", "macappstore://itunes.apple.com/app/bundleId/com.foo.app", {}},
        {A::appStoreUpdate("2", std::nullopt), "", std::nullopt, "/System/Applications/App Store.app"},
        {A::appStoreUpdate("2", std::nullopt), "com foo", std::nullopt, "/System/Applications/App Store.app"},
        {A::updateAvailable("2", QUrl("https://dl.foo.com/Foo.dmg")), "", "https://dl.foo.com/Foo.dmg", {}},
        {A::updateAvailable("2", QUrl("HTTP://dl.foo.com/Foo.zip")), "", "http://dl.foo.com/Foo.zip", {}},
        {A::updateAvailable("2", QUrl("file:///etc/passwd")), "", std::nullopt, "/Applications/Foo.app"},
        {A::updateAvailable("2", QUrl("javascript:alert(1)")), "", std::nullopt, "/Applications/Foo.app"},
        {A::updateAvailable("2", QUrl("smb://server/Foo.pkg")), "", std::nullopt, "/Applications/Foo.app"},
        {A::updateAvailable("2", std::nullopt), "", std::nullopt, "/Applications/Foo.app"},
        {A::failed("x"), "com.foo.app", std::nullopt, "/Applications/Foo.app"},
        {A::pending(), "com.foo.app", std::nullopt, "/Applications/Foo.app"},
        {A::upToDate(), "com.foo.app", std::nullopt, "/Applications/Foo.app"},
        {A::launchToUpdate(), "com.foo.app", std::nullopt, "/Applications/Foo.app"},
    };
    for (const auto& r : rows) {
        fp.workspace.openedUrls.clear();
        fp.workspace.openedPaths.clear();
        row.availability = r.availability;
        row.bundleIdentifier = r.bundleId;
        checker.performPrimaryAction(row);
        const std::vector<QUrl> urls = r.url ? std::vector<QUrl>{QUrl(*r.url)} : std::vector<QUrl>{};
        const QStringList paths = r.url ? QStringList{} : QStringList{r.path};
        EXPECT_EQ(fp.workspace.openedUrls, urls) << r.availability.describe().toStdString();
        EXPECT_EQ(fp.workspace.openedPaths, paths) << r.availability.describe().toStdString();
    }
}

} // namespace
} // namespace tw
