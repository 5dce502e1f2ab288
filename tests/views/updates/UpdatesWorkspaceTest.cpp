#include "UpdatesFixture.h"
#include "support/Collect.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/FilterBar.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/PushButton.h"
#include "views/kit/TextButton.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/Tints.h"
#include "views/kit/WrappingText.h"
#include "views/updates/UpdateDetail.h"
#include "views/updates/UpdateListRow.h"
#include "views/updates/UpdatesWorkspace.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSet>
#include <QStackedWidget>

namespace tw::test {
namespace {

using A = UpdateAvailability;
using Region = UpdatesState::Region;

// The Updates tab in a window, over four applications: an update from a
// feed, an App Store update, one updated by hand and a feed that is gone.
class UpdatesWorkspaceTest : public UpdatesFixture {
protected:
    std::unique_ptr<UpdatesWorkspace> ws;

    void SetUp() override
    {
        server.route("/alpha.xml", Reply::ok(feed("2.0", "https://example.com/Alpha-2.0.zip")));
        lookup("Charlie", storeAnswer("4.2", 42));
        makeApp("Alpha", "1.0", "/alpha.xml");
        makeApp("Charlie", "4.0", {}, true);
        makeApp("Delta", "");
        makeApp("Echo", "1.0", "/gone.xml");
        scan();
    }
    void TearDown() override { ws.reset(); }
    void open()
    {
        ws = std::make_unique<UpdatesWorkspace>(shell.env());
        pointAtServer(ws->state().checker());
        ws->resize(912, 680);
        ws->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ws.get()));
    }
    Region shownRegion() const { return Region(ws->region()->currentIndex()); }
    // The row widget showing an application, once it is in view.
    UpdateListRow* rowOf(const QString& name) const
    {
        for (int line : ws->list()->shownRows())
            if (auto* row = qobject_cast<UpdateListRow*>(ws->list()->widgetFor(line)); row && row->item().name == name)
                return row;
        return nullptr;
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(12, w->height() / 2)); }
    int feedRequests() const
    {
        return int(std::ranges::count(collect(server.requests(), &RecordedRequest::path), QStringLiteral("/alpha.xml")));
    }
};

TEST_F(UpdatesWorkspaceTest, ChecksOnceWhenShownThenListsTheRowsByChannel)
{
    open();
    EXPECT_EQ(shownRegion(), Region::progress);
    EXPECT_FALSE(ws->checkButton()->isEnabled());
    EXPECT_EQ(ws->checkButton()->toolTip(), "Check for Updates");
    EXPECT_FALSE(ws->progressLabel()->text().isEmpty());
    ASSERT_TRUE(finished(ws->state().checker()));
    EXPECT_EQ(shownRegion(), Region::rows);
    EXPECT_TRUE(ws->checkButton()->isEnabled());

    // Headers and rows, in channel order.
    QStringList lines;
    for (const UpdatesWorkspace::Line& line : ws->lines())
        lines << (line.row < 0 ? UpdatesState::sectionHeader(ws->state().sections()[line.section].channel)
                               : ws->state().sections()[line.section].rows[line.row].name);
    EXPECT_EQ(lines, QStringList({"Updates from developer sites", "Alpha", "Echo", "Updates from Mac App Store",
                                  "Charlie", "Manually updates from developer sites", "Delta"}));
    const QList<std::pair<QString, QString>> buttons{
        {"Alpha", "Update"}, {"Echo", "Launch"}, {"Charlie", "Launch the App Store"}, {"Delta", "Launch"}};
    for (const auto& [name, caption] : buttons) {
        UpdateListRow* row = rowOf(name);
        ASSERT_TRUE(row) << name.toStdString();
        EXPECT_EQ(row->button()->text(), caption);
        EXPECT_TRUE(row->button()->isEnabled());
        EXPECT_FALSE(row->isActive());
    }
    EXPECT_GT(rowOf("Alpha")->height(), rowOf("Echo")->height());  // the found version's line
    EXPECT_EQ(ws->bottomText()->text(), "");                      // updates were found

    // Shown again (the window hidden and back): no second check.
    ws->hide();
    ws->show();
    drainEvents();
    EXPECT_FALSE(ws->state().checker().isChecking());  // a check starts at once, or not at all
    EXPECT_EQ(feedRequests(), 1);
}

TEST_F(UpdatesWorkspaceTest, RowsSelectAndActAndTheSelectionHoldsAcrossSearchAndCheck)
{
    open();
    ASSERT_TRUE(finished(ws->state().checker()));
    EXPECT_EQ(ws->detailColumn()->currentWidget(), ws->detailColumn()->placeholder());
    EXPECT_EQ(ws->detailColumn()->placeholder()->title(), "Updates");
    EXPECT_EQ(ws->detailColumn()->placeholder()->systemImage(), "arrow.triangle.2.circlepath");

    click(rowOf("Alpha"));
    EXPECT_EQ(ws->state().selectedID(), pathOf("Alpha"));
    EXPECT_TRUE(rowOf("Alpha")->isActive());
    EXPECT_FALSE(rowOf("Echo")->isActive());
    UpdateDetail* detail = ws->detailColumn();
    EXPECT_NE(detail->currentWidget(), detail->placeholder());
    EXPECT_EQ(detail->nameLabel()->text(), "Alpha");
    EXPECT_EQ(collect(QList<int>{0, 1, 2}, [&](int i) { return detail->value(i)->text(); }),
              QStringList({"1.0", "2.0", pathOf("Alpha")}));
    EXPECT_TRUE(detail->value(2)->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(detail->message()->text(), "Download the update from the developer site.");
    EXPECT_EQ(detail->button()->text(), "Update");
    EXPECT_TRUE(shell.fake.workspace.openedUrls.empty());  // selecting opens nothing

    // The row's button and the detail's both open the download; the Store row its page.
    QTest::mouseClick(rowOf("Alpha")->button(), Qt::LeftButton);
    QTest::mouseClick(detail->button(), Qt::LeftButton);
    QTest::mouseClick(rowOf("Charlie")->button(), Qt::LeftButton);
    QTest::mouseClick(rowOf("Delta")->button(), Qt::LeftButton);
    const QUrl download("https://example.com/Alpha-2.0.zip");
    EXPECT_EQ(shell.fake.workspace.openedUrls,
              std::vector<QUrl>({download, download, QUrl("macappstore://apps.apple.com/app/id42")}));
    EXPECT_EQ(shell.fake.workspace.openedPaths, QStringList{pathOf("Delta")});
    EXPECT_EQ(ws->state().selectedID(), pathOf("Alpha"));  // the buttons do not select

    // A search that hides the row keeps it in the detail, through a second check.
    QTest::keyClicks(ws->searchRow()->field(), "charl");
    EXPECT_EQ(collect(ws->state().filtered(), &AppUpdateItem::name), QStringList{"Charlie"});
    EXPECT_EQ(detail->nameLabel()->text(), "Alpha");
    QTest::mouseClick(ws->checkButton(), Qt::LeftButton);
    EXPECT_EQ(shownRegion(), Region::progress);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detail->value(1)->text() == "Checking\u2026"; }, 10000));
    EXPECT_FALSE(detail->button()->isEnabled());
    EXPECT_EQ(detail->button()->text(), "\u2026");
    ASSERT_TRUE(finished(ws->state().checker()));
    EXPECT_EQ(ws->searchRow()->field()->text(), "charl");
    EXPECT_EQ(detail->nameLabel()->text(), "Alpha");
    EXPECT_EQ(detail->value(1)->text(), "2.0");
    EXPECT_TRUE(detail->button()->isEnabled());
    EXPECT_EQ(feedRequests(), 2);

    // A failed row: the checker's message as available version, an enabled "Launch" in the classic blue.
    ws->searchRow()->field()->selectAll();
    QTest::keyClick(ws->searchRow()->field(), Qt::Key_Backspace);
    click(rowOf("Echo"));
    EXPECT_EQ(detail->value(1)->text(), kUpdateIssueMessage);
    EXPECT_EQ(detail->message()->text(), "Could not check for updates. Launch the application to update it.");
    EXPECT_EQ(detail->button()->text(), "Launch");
    EXPECT_TRUE(detail->button()->isEnabled());
    EXPECT_EQ(detail->button()->fillColour(), QColor::fromRgbF(0.22f, 0.50f, 0.94f));
    EXPECT_EQ(detail->value(0)->text(), "1.0");
    click(rowOf("Delta"));
    EXPECT_EQ(detail->value(0)->text(), "\u2014");  // no installed version
    EXPECT_EQ(detail->value(1)->text(), "\u2014");
}

TEST_F(UpdatesWorkspaceTest, ShowAllToggleAndEmptyStatesSayWhatIsTrue)
{
    open();
    ASSERT_TRUE(finished(ws->state().checker()));
    EXPECT_EQ(ws->showAllButton()->text(), "Show updates only");
    QTest::mouseClick(ws->showAllButton(), Qt::LeftButton);
    EXPECT_EQ(ws->showAllButton()->text(), "Show All Updates");
    EXPECT_EQ(collect(ws->state().filtered(), &AppUpdateItem::name), QStringList({"Alpha", "Charlie", "Delta"}));

    QTest::keyClicks(ws->searchRow()->field(), "zzz");
    EXPECT_EQ(shownRegion(), Region::empty);
    EXPECT_EQ(ws->emptyTitle()->text(), "1 app could not be checked.");  // Echo's feed is gone, not up to date
    EXPECT_EQ(ws->emptyShowAllButton()->text(), "Show All Updates");
    QTest::mouseClick(ws->emptyShowAllButton(), Qt::LeftButton);
    EXPECT_EQ(ws->emptyTitle()->text(), "No applications found");
    EXPECT_EQ(ws->emptyShowAllButton()->text(), "Show updates only");
    EXPECT_EQ(ws->showAllButton()->text(), "Show updates only");
    ws->searchRow()->field()->selectAll();
    QTest::keyClick(ws->searchRow()->field(), Qt::Key_Backspace);
    EXPECT_EQ(shownRegion(), Region::rows);
}

TEST_F(UpdatesWorkspaceTest, EverythingUpToDateEndsWithTheClosingLine)
{
    QList<AppInfoPtr> apps;
    for (const AppInfoPtr& app : shell.scanner->apps())
        if (app->name() == "Charlie")
            apps << app;
    lookup("Charlie", storeAnswer("4.0", 42));
    shell.scanner->setApps(apps);
    open();
    ASSERT_TRUE(finished(ws->state().checker()));
    EXPECT_EQ(ws->bottomText()->text(), "All your apps are up to date.");
    EXPECT_EQ(rowOf("Charlie")->button()->text(), "Launch");
    // An up-to-date row's detail button takes the theme's accent.
    click(rowOf("Charlie"));
    EXPECT_EQ(ws->detailColumn()->value(1)->text(), "Up to date");
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic}) {
        shell.state->theme().apply(a, true);
        EXPECT_EQ(ws->detailColumn()->button()->fillColour(), accentTint(a));
    }
    QTest::mouseClick(ws->showAllButton(), Qt::LeftButton);
    EXPECT_EQ(shownRegion(), Region::empty);
    EXPECT_EQ(ws->emptyTitle()->text(), "All your apps are up to date.");
    // A new check clears the closing line until it ends.
    QTest::mouseClick(ws->checkButton(), Qt::LeftButton);
    EXPECT_EQ(ws->bottomText()->text(), "");
    ASSERT_TRUE(finished(ws->state().checker()));
    EXPECT_EQ(ws->bottomText()->text(), "All your apps are up to date.");
}

// The rows of the list lie where the list measured them, one under the
// other, each as tall as its content asks, and no row the list holds back
// shows: after a check, scrolled, with a row selected, and after a second
// check held open reply by reply that turns every row's height (updates
// found become up to date and back), in the classic theme. While a check
// runs the tab shows its progress, never rows still pending or checking.
TEST_F(UpdatesWorkspaceTest, RowsNeverOverlapWhileACheckRunsAndEnds)
{
    shell.state->theme().apply(AppAppearance::classic, true);
    auto feedFor = [](int i, bool update) { return feed(update == (i % 2 == 0) ? "2.0" : "1.0"); };
    for (int i = 0; i < 14; ++i) {
        const QString name = QStringLiteral("App %1").arg(i, 2, 10, QLatin1Char('0'));
        const QString path = QStringLiteral("/f%1.xml").arg(i);
        server.route(path, Reply::ok(feedFor(i, true)));
        makeApp(name, "1.0", path);
    }
    scan();
    open();
    ASSERT_TRUE(finished(ws->state().checker()));
    QTest::mouseClick(ws->showAllButton(), Qt::LeftButton);  // every row, up to date or not
    LazyList* list = ws->list();
    auto expectLaidOut = [&](const char* when) {
        SCOPED_TRACE(when);
        QCoreApplication::processEvents();
        ASSERT_EQ(shownRegion(), Region::rows);
        const QList<int> shown = list->shownRows();
        ASSERT_FALSE(shown.isEmpty());
        QRect previous;
        for (int line : shown) {
            QWidget* w = list->widgetFor(line);
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(w->geometry(), list->rowRect(line)) << line;
            EXPECT_FALSE(w->geometry().intersects(previous)) << line;
            previous = w->geometry();
            const UpdatesWorkspace::Line& l = ws->lines()[line];
            if (auto* row = qobject_cast<UpdateListRow*>(w)) {
                const AppUpdateItem& item = ws->state().sections()[l.section].rows[l.row];
                EXPECT_EQ(row->item().name, item.name) << line;
                EXPECT_EQ(row->height(), UpdateListRow::heightFor(item)) << item.name.toStdString();
            }
        }
        // What the list holds back in its pools stays hidden.
        QSet<QWidget*> placed;
        for (int line : shown)
            placed.insert(list->widgetFor(line));
        for (QWidget* w : list->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisible() && !qobject_cast<FocusRing*>(w)) {
                EXPECT_TRUE(placed.contains(w)) << "a stray row shows at " << w->y();
            }
        }
    };
    expectLaidOut("after the first check");
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
    UpdateListRow* chosen = nullptr;
    for (int line : list->shownRows())
        if (!chosen)
            chosen = qobject_cast<UpdateListRow*>(list->widgetFor(line));
    ASSERT_TRUE(chosen);
    click(chosen);
    ASSERT_TRUE(ws->state().selected());
    expectLaidOut("scrolled, a row selected");

    // The next check turns every answer round, one reply at a time.
    for (int i = 0; i < 14; ++i)
        server.route(QStringLiteral("/f%1.xml").arg(i), Reply::heldBack(Reply::ok(feedFor(i, false))));
    QTest::mouseClick(ws->checkButton(), Qt::LeftButton);
    const UpdateChecker& checker = ws->state().checker();
    int answered = 0;
    for (;;) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.heldCount() > 0 || !checker.isChecking(); }, 10000));
        if (!checker.isChecking())
            break;
        QCoreApplication::processEvents();
        EXPECT_EQ(shownRegion(), Region::progress) << answered << " answered";
        ASSERT_LT(answered, 14);
        server.releaseHeld();
        ++answered;
    }
    ASSERT_TRUE(finished(checker));
    EXPECT_EQ(answered, 14);
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    expectLaidOut("after the check, scrolled to the end");
}

} // namespace
} // namespace tw::test
