#include "QuickPaneFixture.h"
#include "menubar/QuickListRow.h"
#include "menubar/UpdatesNotificationPanel.h"
#include "support/LocalHttpServer.h"
#include "views/kit/FilterBar.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/PullDownButton.h"
#include "views/kit/PushButton.h"
#include "views/kit/TextButton.h"
#include "views/kit/TintedLabel.h"

#include <QLineEdit>
#include <QMenu>

using namespace tw;
using namespace tw::test;
using namespace tw::test::panes;
using namespace std::chrono_literals;
using Content = UpdatesNotificationPanel::Content;
using A = UpdateAvailability;

TEST(UpdateNoticeSource, ItsTextsAndTheChannelsItAdmits)
{
    EXPECT_EQ(collect(allUpdateNoticeSources(), [](UpdateNoticeSource s) { return rawValue(s); }),
              (QStringList{"All", "Developer", "App Store"}));
    for (UpdateNoticeSource s : allUpdateNoticeSources())
        EXPECT_EQ(updateNoticeSourceFrom(rawValue(s)), s);
    for (const char* text : {"all", "AppStore", "App Store ", "", "Sparkle"})
        EXPECT_EQ(updateNoticeSourceFrom(QString::fromUtf8(text)), std::nullopt) << text;

    const struct {
        UpdateNoticeSource source;
        bool sparkle, manual, appStore;
    } cases[] = {{UpdateNoticeSource::all, true, true, true},
                 {UpdateNoticeSource::developer, true, true, false},
                 {UpdateNoticeSource::appStore, false, false, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(quick::admits(c.source, UpdateChannel::sparkle), c.sparkle) << rawValue(c.source).toStdString();
        EXPECT_EQ(quick::admits(c.source, UpdateChannel::manual), c.manual) << rawValue(c.source).toStdString();
        EXPECT_EQ(quick::admits(c.source, UpdateChannel::appStore), c.appStore) << rawValue(c.source).toStdString();
    }
}

TEST(UpdatesPaneTexts, FooterPluralButtonTitlesAndTheLineWhenNothingShows)
{
    EXPECT_EQ(quick::readyText(0), "Ready to update: 0 apps");
    EXPECT_EQ(quick::readyText(1), "Ready to update: 1 app");
    EXPECT_EQ(quick::readyText(12), "Ready to update: 12 apps");

    EXPECT_EQ(quick::actionTitle(A::updateAvailable("2", std::nullopt)), "Update");
    EXPECT_EQ(quick::actionTitle(A::appStoreUpdate("2", 7)), "Launch app");
    EXPECT_EQ(quick::actionTitle(A::upToDate()), "Launch app");

    auto row = [](A a) {
        AppUpdateItem item;
        item.availability = std::move(a);
        return item;
    };
    const A failed = A::failed(kConnectionProblemMessage);
    const struct {
        QList<AppUpdateItem> items;
        const char* expected;
    } cases[] = {
        {{}, "All your apps are up to date."},
        {{row(A::upToDate()), row(A::launchToUpdate())}, "All your apps are up to date."},
        // Updates hidden by the filters do not hide the failures.
        {{row(A::updateAvailable("2", std::nullopt)), row(failed)}, "1 app could not be checked."},
        {{row(failed), row(A::upToDate()), row(A::failed(kUpdateIssueMessage))}, "2 apps could not be checked."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quick::nothingShownText(c.items), c.expected) << c.expected;
}

namespace {

// The real checker against the local server: Alpha and Spare have newer
// versions in their feeds, Gamma in the App Store; Beta is up to date,
// Delta has no feed, and Echo's feed is missing.
struct UpdatesFixture {
    ShellHarness h;
    LocalHttpServer server;
    UpdateChecker checker{h.fake.platform()};
    int opened = 0;
    std::unique_ptr<UpdatesNotificationPanel> pane;
    QList<AppInfoPtr> apps;

    UpdatesFixture()
    {
        checker.setRequestOptions({server.base(), 3000ms});
        server.route("/alpha.xml", Reply::ok(feed("2.0")));
        server.route("/beta.xml", Reply::ok(feed("1.0")));
        server.route("/spare.xml", Reply::ok(feed("0.9b")));  // newer than nothing
        server.route("/lookup?bundleId=com.example.gamma&entity=macSoftware",
                     Reply::ok(R"({"resultCount":1,"results":[{"version":"4.2","trackId":42}]})", "text/javascript"));
        apps = {withFeed("Alpha", "/alpha.xml"), withFeed("Beta", "/beta.xml"), withFeed("Echo", "/echo.xml"),
                bundle(h.fake, QStringLiteral("Delta")), fromStore("Gamma")};
        AppFields spare = withFeed("Spare", "/spare.xml")->fields();
        spare.version.clear();  // no installed version known
        apps << AppInfo::make(spare);
        pane = std::make_unique<UpdatesNotificationPanel>(checker, [this] { ++opened; });
        pane->show();
    }
    ~UpdatesFixture() { pane.reset(); }

    AppInfoPtr withFeed(const char* name, const char* path)
    {
        return bundle(h.fake, QString::fromLatin1(name), 1000,
                      {{QStringLiteral("SUFeedURL"), server.url(QString::fromLatin1(path)).toString()}});
    }
    AppInfoPtr fromStore(const char* name)
    {
        AppInfoPtr app = bundle(h.fake, QString::fromLatin1(name));
        h.fake.tree().write(app->path() + "/Contents/_MASReceipt/receipt", "receipt");
        return app;
    }
    bool check()
    {
        checker.checkAll(apps);
        return QTest::qWaitFor([&] { return !checker.isChecking() && !checker.items().isEmpty(); }, 10000);
    }
    QStringList rowNames() const { return collect(pane->rows(), &AppUpdateItem::name); }
    // The texts of the row showing rows()[i]: name, installed, new version, button.
    QStringList rowTexts(int i) const
    {
        QuickListRow* row = pane->rowFor(i);
        if (!row)
            return {};
        const auto labels = row->findChildren<TintedLabel*>();
        return {row->title(), labels.value(0)->text(), labels.value(1)->text(), row->findChild<PushButton*>()->text()};
    }
    void choose(UpdateNoticeSource source)
    {
        pane->sourcePicker()->menu()->actions().at(int(allUpdateNoticeSources().indexOf(source)))->trigger();
    }
};

} // namespace

TEST(UpdatesNotificationPanel, RowsFilterFooterAndButtons)
{
    UpdatesFixture f;
    ASSERT_TRUE(f.check());
    EXPECT_EQ(f.pane->size(), UpdatesNotificationPanel::paneSize());
    EXPECT_EQ(f.pane->content(), Content::list);
    EXPECT_EQ(f.rowNames(), (QStringList{"Alpha", "Gamma", "Spare"}));
    EXPECT_EQ(f.rowTexts(0), (QStringList{"Alpha", "1.0", "2.0", "Update"}));
    EXPECT_EQ(f.rowTexts(1), (QStringList{"Gamma", "1.0", "4.2", "Launch app"}));
    EXPECT_EQ(f.rowTexts(2), (QStringList{"Spare", "—", "0.9b", "Update"}));  // no installed version
    EXPECT_EQ(f.pane->footerText()->text(), "Ready to update: 3 apps");
    EXPECT_EQ(f.pane->sourcePicker()->current(), 0);
    // Tab goes down the pane, though its header is made after the list and the link.
    EXPECT_EQ(keyfocus::tabStops(f.pane.get()), (QList<QWidget*>{f.pane->sourcePicker(), f.pane->searchBar()->field(),
                                                                  f.pane->list(), f.pane->openInApp()}));

    f.choose(UpdateNoticeSource::appStore);
    EXPECT_EQ(f.pane->source(), UpdateNoticeSource::appStore);
    EXPECT_EQ(f.pane->sourcePicker()->current(), 2);
    EXPECT_EQ(f.pane->sourcePicker()->menu()->actions().at(2)->text(), "App Store");
    EXPECT_EQ(f.rowNames(), QStringList{"Gamma"});
    f.choose(UpdateNoticeSource::developer);
    EXPECT_EQ(f.rowNames(), (QStringList{"Alpha", "Spare"}));
    QTest::keyClicks(f.pane->searchBar()->field(), "SPA");
    EXPECT_EQ(f.pane->searchText(), "SPA");
    EXPECT_EQ(f.rowNames(), QStringList{"Spare"});

    // Nothing matches: Echo's check failed, so the pane does not call every app up to date.
    QTest::keyClicks(f.pane->searchBar()->field(), "x");
    EXPECT_EQ(f.pane->content(), Content::nothing);
    EXPECT_TRUE(f.pane->nothingText()->isVisible());
    EXPECT_FALSE(f.pane->list()->isVisible());
    EXPECT_EQ(f.pane->nothingText()->text(), "1 app could not be checked.");
    EXPECT_EQ(f.pane->footerText()->text(), "Ready to update: 3 apps");

    // The buttons: the download of a feed's update, the App Store page.
    f.pane->setSearchText({});
    f.choose(UpdateNoticeSource::all);
    QTest::mouseClick(f.pane->rowFor(0)->findChild<PushButton*>(), Qt::LeftButton);
    QTest::mouseClick(f.pane->rowFor(1)->findChild<PushButton*>(), Qt::LeftButton);
    EXPECT_EQ(f.h.fake.workspace.openedUrls,
              (std::vector<QUrl>{QUrl("https://example.com/get-2.0.zip"), QUrl("macappstore://apps.apple.com/app/id42")}));
    EXPECT_EQ(f.opened, 0);
    QTest::mouseClick(f.pane->openInApp(), Qt::LeftButton);
    EXPECT_EQ(f.opened, 1);
    EXPECT_EQ(f.pane->openInApp()->text(), "Open in App");
}

TEST(UpdatesNotificationPanel, WhileCheckingTheProgressShowsOnlyUntilARowMatches)
{
    UpdatesFixture f;
    f.server.route("/beta.xml", Reply::of(Reply::Mode::Hang));  // Beta's check never ends
    f.checker.checkAll(f.apps);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.checker.items().isEmpty(); }, 10000));
    EXPECT_EQ(f.pane->content(), Content::checking);
    EXPECT_TRUE(f.pane->progress()->isVisible());
    EXPECT_EQ(f.pane->progress()->label(), "Checking for updates…");
    EXPECT_EQ(f.pane->footerText()->text(), "Ready to update: 0 apps");

    // Alpha comes first: its row shows while Beta is still being checked.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.pane->rows().isEmpty(); }, 10000));
    EXPECT_TRUE(f.checker.isChecking());
    EXPECT_EQ(f.pane->content(), Content::list);
    EXPECT_EQ(f.pane->footerText()->text(), "Ready to update: 1 app");
    // A search that hides it brings the progress back.
    f.pane->setSearchText(QStringLiteral("Gamma"));
    EXPECT_EQ(f.pane->content(), Content::checking);
}

TEST(UpdatesNotificationPanel, AllUpToDateOnlyWhenNoCheckFailed)
{
    UpdatesFixture f;
    f.apps = {f.apps[1], f.apps[3]};  // Beta and Delta
    ASSERT_TRUE(f.check());
    EXPECT_EQ(f.pane->content(), Content::nothing);
    EXPECT_EQ(f.pane->nothingText()->text(), "All your apps are up to date.");
    EXPECT_EQ(f.pane->footerText()->text(), "Ready to update: 0 apps");
}
