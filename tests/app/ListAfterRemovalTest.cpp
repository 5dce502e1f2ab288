#include "app/MainWindow.h"
#include "state/AppNavigation.h"
#include "support/ProgramHarness.h"
#include "views/applications/AppListController.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/PushButton.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

// Pixels of area (in the window) where what the window shows (its backing
// store) and a fresh painting of the window differ clearly.
int stalePixels(QWidget* window, const QRect& area)
{
    const QImage shown = window->screen()
                             ->grabWindow(window->winId(), area.x(), area.y(), area.width(), area.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage fresh = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != fresh.size())
        return area.width() * area.height();
    int n = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = fresh.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 || std::abs(qBlue(a) - qBlue(b)) > 8)
                ++n;
        }
    return n;
}

} // namespace

// Under a search, the one match selected and uninstalled: the list shows
// what the search finds now, and nothing of the removed card (its glow,
// border or fill) stays on screen.
TEST(ListAfterRemoval, NothingOfAnUninstalledMatchStaysUnderASearch)
{
    NeonAnimationClock::shared().setTimeSource([] { return 1000.0; });
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
    ASSERT_EQ(stalePixels(window, area), 0);

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
    NeonAnimationClock::shared().setTimeSource({});
}
