#include "engine/inventory/AppRemovalWatcher.h"
#include "state/AppNavigation.h"
#include "support/ProgramHarness.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/SymbolButton.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

// Applications trashed by hand while the Extensions tab is shown (rescanned
// or not), each offer answered while the Applications tab was last left on
// its remains: the window comes forward on a list that holds the trashed
// application's remains, or after "Remove Remaining Files" what did not move.
TEST(OfferRemains, TheListTheWindowComesForwardOnHoldsTheTrashedApplication)
{
    Program p;
    MacTree& tree = p.fake.tree();
    tree.makeTrash();
    tree.makeApp("/Applications/Keeper.app", "com.keeper.app", "Keeper");
    tree.write(tree.library() + "/Preferences/com.ghost.tool.plist", "prefs");
    QStringList apps;
    for (const QString name : {"Orchid", "Quill", "Sable"}) {
        tree.write(tree.library() + "/Preferences/com." + name.toLower() + ".app.plist", "prefs");
        tree.writeSized(tree.library() + "/Application Support/" + name + "/state.db", 20000);
        apps << tree.makeApp("/Applications/" + name + ".app", "com." + name.toLower() + ".app", name);
    }
    p.fake.trash->fail = [](const QString& path) {  // Sable's support folder stays
        return path.endsWith("/Sable") ? std::optional(Error::unavailable()) : std::nullopt;
    };
    p.fake.admin->performMove = false;
    p.fake.admin->result = Error::unavailable();

    MainWindow* window = p.startShown();
    p.navigation().setTab(SidebarTab::applications);
    p.navigation().setAppsSegment(AppsSegment::remains);
    AppRemovalWatcher& watcher = p.app->removalWatcher();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.isReady(); }, 30000));
    watcher.stop();  // passes only when the test asks

    const struct {
        bool rescan;
        QString answer, title;
    } rounds[] = {{true, "Later", "Orchid"}, {false, "Later", "Quill"}, {true, "Remove Remaining Files", "Sable"}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(rounds[i].title.toStdString());
        p.navigation().setTab(SidebarTab::extensions);
        if (rounds[i].rescan)
            window->findChild<ExtensionsWorkspace*>()->searchBar()->refreshButton()->click();
        ASSERT_TRUE(drainScans(&p.app->scanner(), &p.app->cleaner()));
        ASSERT_TRUE(p.fake.fs().rename(apps[i], p.fake.fs().trash() + u'/' + apps[i].section(u'/', -1)));
        ASSERT_TRUE(watcher.poll());
        ASSERT_TRUE(QTest::qWaitFor([&] { return p.app->offerAlert() != nullptr; }, 30000));
        for (QAbstractButton* b : p.app->offerAlert()->buttons())
            if (b->text() == rounds[i].answer)
                b->click();
        // After the moves of "Remove Remaining Files" the window comes forward.
        const auto shows = [&] {
            const auto* tab = window->findChild<ApplicationsWorkspace*>();
            const QList<RemovableItem>& remains = p.app->cleaner().remainingFiles();
            return tab && tab->listState() == ApplicationsWorkspace::ListState::remains
                && tab->remainsList()->count() == remains.size()
                && std::any_of(remains.begin(), remains.end(), [&](auto& r) { return r.title == rounds[i].title; });
        };
        ASSERT_TRUE(QTest::qWaitFor(shows, 30000));
        ASSERT_TRUE(drainScans(&p.app->scanner(), &p.app->cleaner()));
        EXPECT_TRUE(shows());
    }
    EXPECT_FALSE(tree.exists(tree.library() + "/Preferences/com.sable.app.plist"));
}
