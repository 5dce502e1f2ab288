#include "app/MainWindow.h"
#include "state/AppNavigation.h"
#include "support/ProgramHarness.h"
#include "views/applications/AppListController.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/PushButton.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

// Under a search, the one match selected and uninstalled: the list shows
// what the search finds now, and nothing of the removed card (its glow,
// border or fill) stays on screen.
TEST(ListAfterRemoval, NothingOfAnUninstalledMatchStaysUnderASearch)
{
    // Borders stand still, so a fresh painting equals a settled screen.
    struct StillBorders {
        StillBorders() { NeonAnimationClock::shared().setTimeSource([] { return 1000.0; }); }
        ~StillBorders() { NeonAnimationClock::shared().setTimeSource({}); }
    } still;
    Program p;
    p.fake.tree().makeApp("/Applications/Notion.app", "notion.id", "Notion", "3.0");
    p.fake.tree().makeApp("/Applications/Atlas.app", "com.example.atlas", "Atlas", "1.0");
    MainWindow* window = p.startShown();
    p.navigation().setTab(SidebarTab::applications);
    drainScans(&p.app->scanner(), &p.app->cleaner());
    auto* tab = window->findChild<ApplicationsWorkspace*>();
    ASSERT_NE(tab, nullptr);
    LazyList* list = tab->appsList();
    tab->state().setSearchText(QStringLiteral("notion"));
    ASSERT_EQ(list->count(), 1);
    QTest::mouseClick(list->widgetFor(0), Qt::LeftButton, {}, QPoint(60, 20));
    ASSERT_NE(tab->state().selectedApp(), nullptr);
    ASSERT_EQ(tab->state().selectedApp()->name(), QStringLiteral("Notion"));
    ASSERT_TRUE(settleForScreenshot(window));
    const QRect area(list->viewport()->mapTo(window, QPoint(0, 0)), list->viewport()->size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return stalePixels(window, area) == 0; }, 3000));

    p.prompter->script = {QStringLiteral("Uninstall")};
    QTest::mouseClick(tab->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.app->scanner().apps().size() == 1 && !tab->state().selectedApp(); }, 10000));
    EXPECT_EQ(list->count(), 0);
    drainScans(&p.app->scanner(), &p.app->cleaner());
    EXPECT_TRUE(QTest::qWaitFor([&] { return stalePixels(window, area) == 0; }, 3000))
        << stalePixels(window, area) << " pixels of the removed card stay";
    // Another search shows the other application, cleanly.
    tab->state().setSearchText(QStringLiteral("atl"));
    EXPECT_EQ(list->count(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stalePixels(window, area) == 0; }, 3000));
}
