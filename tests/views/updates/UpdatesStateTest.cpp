#include "UpdatesFixture.h"
#include "support/Collect.h"
#include "support/ScanGates.h"
#include "views/updates/UpdateTexts.h"

#include <QSignalSpy>

namespace tw::test {
namespace {

using A = UpdateAvailability;
using Region = UpdatesState::Region;

// Seven applications over every channel and outcome, and a system one.
class UpdatesStateTest : public UpdatesFixture {
protected:
    void SetUp() override
    {
        server.route("/alpha.xml", Reply::ok(feed("2.0", "https://example.com/Alpha-2.0.zip")));
        server.route("/bravo.xml", Reply::ok(feed("3.0")));
        server.route("/hang.xml", Reply::of(Reply::Mode::Hang));
        lookup("Charlie", storeAnswer("4.2", 42));
        lookup("Golf", Reply::ok(R"({"resultCount":0,"results":[]})"));
        makeApp("Alpha", "1.0", "/alpha.xml");
        makeApp("Bravo", "3.0", "/bravo.xml");
        makeApp("Charlie", "4.0", {}, true);
        makeApp("Delta", "1.0");
        makeApp("Echo", "1.0", "/gone.xml");
        makeApp("Foxtrot", "1.0", "/hang.xml");
        makeApp("Golf", "", {}, true);
        shell.fake.tree().makeApp("/System/Applications/Calendar.app", "com.apple.iCal", "Calendar");
    }
    std::unique_ptr<UpdatesState> makeState()
    {
        auto state = std::make_unique<UpdatesState>(*shell.scanner, shell.fake.platform());
        pointAtServer(state->checker());
        return state;
    }
    static QStringList names(const QList<AppUpdateItem>& rows) { return collect(rows, &AppUpdateItem::name); }
    // Every check asks for Alpha's feed once.
    int checksStarted() const
    {
        return int(std::ranges::count(collect(server.requests(), &RecordedRequest::path), QStringLiteral("/alpha.xml")));
    }
};

TEST_F(UpdatesStateTest, AppearingWithApplicationsChecksOnceAndNeverAgainWhileRowsExist)
{
    scan();
    auto state = makeState();
    QSignalSpy checking(&state->checker(), &UpdateChecker::isCheckingChanged);
    state->appeared();
    state->appeared();  // while the rows are still being built
    EXPECT_EQ(state->region(), Region::progress);
    EXPECT_EQ(state->progressLabel(), "Check for Updates\u2026");
    EXPECT_FALSE(state->canCheck());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !state->checker().progressText().isEmpty(); }, 10000));
    EXPECT_EQ(state->progressLabel(), "Checking: 7 apps left out of 7");
    ASSERT_TRUE(finished(state->checker()));
    state->appeared();
    EXPECT_FALSE(state->checker().isChecking());
    EXPECT_EQ(checking.size(), 2);
    EXPECT_EQ(checksStarted(), 1);
    EXPECT_EQ(state->region(), Region::rows);
    EXPECT_TRUE(state->canCheck());
}

TEST_F(UpdatesStateTest, AppearingWhileTheRowsAreStillPreparedStartsNoSecondCheck)
{
    scan();
    auto state = makeState();
    {
        PoolGate gate;  // the rows are built on the engine pool: they wait
        ASSERT_TRUE(gate.holding);
        state->appeared();
        ASSERT_TRUE(state->checker().isChecking());
        drainEvents();
        ASSERT_TRUE(state->checker().items().isEmpty());
        // The tab shown again, with events run between, while nothing is built
        // yet: a check would start over (and show its progress at once).
        QSignalSpy restarted(state.get(), &UpdatesState::changed);
        state->appeared();
        drainEvents();
        state->appeared();
        EXPECT_EQ(restarted.count(), 0);
        EXPECT_TRUE(state->checker().items().isEmpty());
    }
    ASSERT_TRUE(finished(state->checker()));
    EXPECT_EQ(names(state->checker().items()),
              QStringList({"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf"}));
    // Each feed and each store lookup was fetched once.
    QHash<QString, int> fetched;
    for (const RecordedRequest& r : server.requests())
        ++fetched[r.query.isEmpty() ? r.path : r.path + u'?' + r.query];
    for (auto it = fetched.cbegin(); it != fetched.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
    // Four feeds and two store lookups.
    EXPECT_EQ(fetched.size(), 6) << QStringList(fetched.keys()).join(", ").toStdString();
}

TEST_F(UpdatesStateTest, FirstApplicationCountStartsTheCheckWhenTheTabCameFirst)
{
    auto state = makeState();
    state->appeared();
    EXPECT_FALSE(state->checker().isChecking());
    EXPECT_FALSE(state->canCheck());  // no applications
    EXPECT_EQ(state->region(), Region::empty);
    EXPECT_EQ(state->emptyTitle(), "No applications found");

    scan();
    ASSERT_TRUE(state->checker().isChecking());
    // Another count while the check runs starts nothing.
    QList<AppInfoPtr> more = shell.scanner->apps();
    more << AppInfo::make({"Hotel", "com.example.hotel", "/Applications/Hotel.app"});
    shell.scanner->setApps(more);
    ASSERT_TRUE(finished(state->checker()));
    EXPECT_EQ(names(state->checker().items()),
              QStringList({"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf"}));
    // Nor does one once rows exist.
    more.removeLast();
    shell.scanner->setApps(more);
    EXPECT_FALSE(state->checker().isChecking());
    EXPECT_EQ(checksStarted(), 1);
}

TEST_F(UpdatesStateTest, RowsLandInTheirChannelsWithTheirTexts)
{
    scan();
    auto state = makeState();
    state->appeared();
    ASSERT_TRUE(finished(state->checker()));

    QStringList headers;
    QList<QStringList> sections;
    for (const UpdatesState::Section& s : state->sections()) {
        headers << UpdatesState::sectionHeader(s.channel);
        sections << names(s.rows);
    }
    EXPECT_EQ(headers, QStringList({"Updates from developer sites", "Updates from Mac App Store",
                                    "Manually updates from developer sites"}));
    EXPECT_EQ(sections, QList<QStringList>({{"Alpha", "Bravo", "Echo", "Foxtrot"}, {"Charlie", "Golf"}, {"Delta"}}));

    struct Row {
        QString name, versionLine, status, caption;
        bool emphasised;
    };
    const QList<Row> expected{
        {"Alpha", "Installed version 1.0", "Available version 2.0", "Update", true},
        {"Bravo", "Installed version 3.0", "", "Launch", false},
        {"Charlie", "Installed version 4.0", "Available version 4.2", "Launch the App Store", true},
        {"Delta", "Installed version 1.0", "Information not provided by the developer", "Launch", false},
        {"Echo", "Installed version 1.0", "", "Launch", false},
        {"Foxtrot", "Installed version 1.0", "", "Launch", false},  // the feed never answered
        {"Golf", "Version unknown", "Information not provided by the developer", "Launch", false},
    };
    ASSERT_EQ(state->filtered().size(), expected.size());
    for (const Row& want : expected) {
        const AppUpdateItem* row = findBy(state->filtered(), &AppUpdateItem::name, want.name);
        ASSERT_TRUE(row) << want.name.toStdString();
        const auto status = updatetexts::statusLine(*row);
        EXPECT_EQ(updatetexts::versionLine(*row), want.versionLine) << want.name.toStdString();
        EXPECT_EQ(status ? status->text : QString(), want.status) << want.name.toStdString();
        EXPECT_EQ(status && status->emphasised, want.emphasised) << want.name.toStdString();
        EXPECT_EQ(updatetexts::actionCaption(row->availability), want.caption) << want.name.toStdString();
        EXPECT_TRUE(updatetexts::actionEnabled(row->availability)) << want.name.toStdString();
    }
    EXPECT_EQ(findBy(state->filtered(), &AppUpdateItem::name, "Foxtrot")->availability,
              A::failed(kConnectionProblemMessage));
    EXPECT_EQ(state->bottomText(), "");  // updates were found
}

TEST_F(UpdatesStateTest, SearchAndSelectionHoldAcrossASecondCheck)
{
    scan();
    auto state = makeState();
    state->appeared();
    ASSERT_TRUE(finished(state->checker()));

    state->select(pathOf("Alpha"));
    state->setSearchText("EXAMPLE.charl");  // the bundle identifier only, in any case
    EXPECT_EQ(names(state->filtered()), QStringList{"Charlie"});
    ASSERT_TRUE(state->selected());
    EXPECT_EQ(state->selected()->name, "Alpha");  // hidden by the search, still shown
    state->setSearchText(" alpha");                // used as typed, not trimmed
    EXPECT_TRUE(state->filtered().isEmpty());
    EXPECT_EQ(state->region(), Region::empty);
    state->setSearchText("HO");
    EXPECT_EQ(names(state->filtered()), QStringList{"Echo"});
    ASSERT_EQ(state->sections().size(), 1);  // the other channels have no header
    EXPECT_EQ(state->sections()[0].channel, UpdateChannel::sparkle);

    ASSERT_TRUE(state->canCheck());
    server.route("/alpha.xml", Reply::heldBack(Reply::ok(feed("2.0", "https://example.com/Alpha-2.0.zip"))));
    state->check();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.heldCount() == 1; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->selected() && state->selected()->availability == A::checking(); },
                                10000));
    server.releaseHeld();
    ASSERT_TRUE(finished(state->checker()));
    EXPECT_EQ(state->searchText(), "HO");
    EXPECT_EQ(names(state->filtered()), QStringList{"Echo"});
    ASSERT_TRUE(state->selected());
    EXPECT_EQ(state->selected()->availability, A::updateAvailable("2.0", QUrl("https://example.com/Alpha-2.0.zip")));
    EXPECT_EQ(checksStarted(), 2);

    // A selection the checker no longer has resolves to none.
    state->select("/Applications/Gone.app");
    EXPECT_FALSE(state->selected());
}

TEST_F(UpdatesStateTest, UpdatesOnlySaysWhatIsTrueOfHiddenFailures)
{
    scan();
    auto state = makeState();
    state->appeared();
    ASSERT_TRUE(finished(state->checker()));
    EXPECT_EQ(state->showAllCaption(), "Show updates only");
    state->setSearchText("zzz");
    EXPECT_EQ(state->emptyTitle(), "No applications found");

    state->toggleShowAll();
    EXPECT_EQ(state->showAllCaption(), "Show All Updates");
    state->setSearchText("");
    EXPECT_EQ(names(state->filtered()), QStringList({"Alpha", "Charlie", "Delta", "Golf"}));
    state->setSearchText("zzz");
    EXPECT_EQ(state->region(), Region::empty);
    EXPECT_EQ(state->emptyTitle(), "2 apps could not be checked.");  // Echo and Foxtrot are not up to date
    state->toggleShowAll();
    EXPECT_EQ(state->emptyTitle(), "No applications found");
}

TEST_F(UpdatesStateTest, UpdatesOnlyWithNothingToDo)
{
    struct Case {
        QStringList apps;
        QString title;
    };
    const QList<Case> cases{
        {{"Bravo"}, "All your apps are up to date."},
        {{"Bravo", "Echo"}, "1 app could not be checked."},
    };
    scan();
    const QList<AppInfoPtr> all = shell.scanner->apps();
    for (const Case& c : cases) {
        QList<AppInfoPtr> apps;
        for (const AppInfoPtr& app : all)
            if (c.apps.contains(app->name()))
                apps << app;
        shell.scanner->setApps(apps);
        auto state = makeState();
        state->toggleShowAll();
        state->appeared();
        ASSERT_TRUE(finished(state->checker()));
        EXPECT_TRUE(state->filtered().isEmpty());
        EXPECT_EQ(state->region(), Region::empty);
        EXPECT_EQ(state->emptyTitle(), c.title);
        EXPECT_EQ(state->bottomText(), c.title);  // the checker's own closing line
    }
}

} // namespace
} // namespace tw::test
