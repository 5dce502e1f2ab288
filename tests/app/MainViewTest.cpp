#include "support/HostProgramParts.h"
#include "state/AppSettings.h"
#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "app/IconSidebar.h"
#include "app/MainView.h"
#include "app/Workspaces.h"
#include "views/kit/NeonPillButton.h"
#include "views/kit/PendingWorkspace.h"
#include "views/kit/WorkspaceTitleBar.h"
#include "views/system/SystemMonitorWorkspace.h"
#include "views/theme/ThemeWorkspace.h"
#include "views/theme/ThemePreviewCard.h"
#include "views/updates/UpdatesWorkspace.h"
#include "support/ShellHarness.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

AppInfoPtr app(const QString& id, const QString& name)
{
    AppFields f;
    f.name = name;
    f.bundleIdentifier = id;
    f.path = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
    return AppInfo::make(f);
}

AppInfoPtr group(const QString& name, std::vector<AppInfoPtr> members)
{
    AppFields f;
    f.name = name;
    f.path = QStringLiteral("/Applications/") + name;
    AppInfoPtr g = AppInfo::make(f);
    g->setMembers(std::move(members));
    return g;
}

QList<AppInfoPtr> someApps(int n)
{
    QList<AppInfoPtr> apps;
    for (int i = 0; i < n; ++i)
        apps << app(QStringLiteral("com.example.app%1").arg(i), QStringLiteral("App %1").arg(i));
    return apps;
}

// A harness with every workspace registered.
struct WorkspacesHarness : ShellHarness {
    HostProgramParts parts{fake};
    WorkspacesHarness() { parts.registerWorkspaces(); }
};

// Shows view at the window's size; false when it never became exposed.
bool showAtWindowSize(MainView& view)
{
    view.resize(1100, 680);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

} // namespace

TEST(MainView, SidebarShowsTheTabsInOrderAndSwitchesWorkspaces)
{
    WorkspacesHarness h;
    MainView view(h.env());
    ASSERT_TRUE(showAtWindowSize(view));
    IconSidebar* sidebar = view.sidebar();
    EXPECT_EQ(sidebar->width(), 188);

    const QList<SidebarTab> expected{SidebarTab::applications, SidebarTab::startup, SidebarTab::updates,
                                     SidebarTab::extensions,   SidebarTab::network, SidebarTab::system};
    ASSERT_EQ(sidebar->tabPills().size(), 6);
    QStringList titles;
    for (NeonPillButton* p : sidebar->tabPills())
        titles << p->title();
    EXPECT_EQ(titles, (QStringList{"Applications", "Startup", "Updates", "Extensions", "Network", "System"}));
    EXPECT_EQ(sidebar->pill(SidebarTab::startup)->glyph(), SidebarGlyph::startup);
    EXPECT_EQ(sidebar->preferencesPill()->glyph(), SidebarGlyph::settings);
    EXPECT_EQ(sidebar->preferencesPill()->title(), "Preferences");
    // Pills stacked top to bottom, 9 apart; the theme pill at least 12 below System.
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(sidebar->tabPills()[i]->y() - sidebar->tabPills()[i - 1]->geometry().bottom() - 1, 9);
    const int gap = sidebar->themePill()->y() - sidebar->pill(SidebarTab::system)->geometry().bottom() - 1;
    EXPECT_GE(gap, 12);
    EXPECT_EQ(sidebar->preferencesPill()->y() - sidebar->themePill()->geometry().bottom() - 1, 4);
    EXPECT_GT(sidebar->footer()->y(), sidebar->preferencesPill()->y());
    EXPECT_EQ(sidebar->footer()->toolTip(), brand::websiteHost());

    // The window opens on the System tab, with its pill highlighted.
    EXPECT_EQ(view.shownTab(), SidebarTab::system);
    EXPECT_TRUE(sidebar->pill(SidebarTab::system)->isSelected());
    EXPECT_NE(qobject_cast<SystemMonitorWorkspace*>(view.workspace()), nullptr);

    QTest::mouseClick(sidebar->pill(SidebarTab::updates), Qt::LeftButton);
    EXPECT_EQ(h.state->navigation().tab(), SidebarTab::updates);
    EXPECT_TRUE(sidebar->pill(SidebarTab::updates)->isSelected());
    EXPECT_FALSE(sidebar->pill(SidebarTab::system)->isSelected());
    QPointer<QWidget> updates = view.workspace();
    ASSERT_NE(qobject_cast<UpdatesWorkspace*>(updates.data()), nullptr);
    EXPECT_TRUE(updates->isVisible());
    EXPECT_EQ(updates->size(), QSize(1100 - 188, 680));

    QTest::mouseClick(sidebar->themePill(), Qt::LeftButton);
    EXPECT_NE(qobject_cast<ThemeWorkspace*>(view.workspace()), nullptr);
    EXPECT_TRUE(sidebar->themePill()->isSelected());
    // Only the selected tab's workspace exists: the old one is gone.
    EXPECT_TRUE(updates.isNull());

    // Coming back makes the workspace afresh.
    QTest::mouseClick(sidebar->pill(SidebarTab::updates), Qt::LeftButton);
    EXPECT_NE(qobject_cast<UpdatesWorkspace*>(view.workspace()), nullptr);

    // The preferences pill asks for the sheet and leaves the tab alone; it never looks selected.
    QTest::mouseClick(sidebar->preferencesPill(), Qt::LeftButton);
    EXPECT_TRUE(h.state->navigation().showPreferences());
    EXPECT_EQ(h.state->navigation().tab(), SidebarTab::updates);
    EXPECT_FALSE(sidebar->preferencesPill()->isSelected());

    // The maker's name opens the website.
    QTest::mouseClick(sidebar->footer(), Qt::LeftButton);
    ASSERT_EQ(h.fake.workspace.openedUrls.size(), 1u);
    EXPECT_EQ(h.fake.workspace.openedUrls[0], brand::websiteURL());
}

TEST(MainView, RegisteredWorkspacesReplaceThePendingOne)
{
    ShellHarness h;
    // Whatever the program registers for these two tabs comes back afterwards.
    struct Restore {
        WorkspaceFactories::Factory network = WorkspaceFactories::get(SidebarTab::network);
        WorkspaceFactories::Factory startup = WorkspaceFactories::get(SidebarTab::startup);
        ~Restore()
        {
            WorkspaceFactories::set(SidebarTab::network, network);
            WorkspaceFactories::set(SidebarTab::startup, startup);
        }
    } restore;
    WorkspaceFactories::set(SidebarTab::startup, {});
    int made = 0;
    WorkspaceFactories::set(SidebarTab::network, [&](const WorkspaceEnvironment& env) -> QWidget* {
        ++made;
        EXPECT_EQ(&env.scanner, h.scanner.get());
        auto* w = new QWidget;
        w->setObjectName(QStringLiteral("networkWorkspace"));
        return w;
    });
    MainView view(h.env());
    view.resize(1100, 680);
    h.state->navigation().setTab(SidebarTab::network);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(view.workspace()->objectName(), "networkWorkspace");
    h.state->navigation().setTab(SidebarTab::startup);
    EXPECT_NE(qobject_cast<PendingWorkspace*>(view.workspace()), nullptr);
    WorkspaceFactories::set(SidebarTab::network, {});
    h.state->navigation().setTab(SidebarTab::network);
    EXPECT_NE(qobject_cast<PendingWorkspace*>(view.workspace()), nullptr);
    EXPECT_EQ(made, 1);
}

TEST(MainView, ApplicationScanStartsAfterTheViewHasPainted)
{
    ShellHarness h;
    h.fake.tree().makeApp(QStringLiteral("/Applications/Notes.app"), QStringLiteral("com.example.notes"),
                          QStringLiteral("Notes"));
    MainView view(h.env());
    view.resize(1100, 680);
    QSignalSpy started(&view, &MainView::applicationScanStarted);
    bool paintedBeforeScan = false;
    struct PaintWatch : QObject {
        bool* painted;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                *painted = true;
            return false;
        }
    } watch;
    bool painted = false;
    watch.painted = &painted;
    view.installEventFilter(&watch);
    QObject::connect(&view, &MainView::applicationScanStarted, [&] { paintedBeforeScan = painted; });
    view.show();
    EXPECT_EQ(started.count(), 0);  // not during show itself
    ASSERT_TRUE(started.wait(10000));
    EXPECT_TRUE(paintedBeforeScan);
    drainScans(h.scanner.get(), h.cleaner.get());
    ASSERT_EQ(h.scanner->apps().size(), 1);
    EXPECT_EQ(h.scanner->apps()[0]->name(), "Notes");

    // Every showing scans again.
    view.hide();
    view.show();
    ASSERT_TRUE(started.wait(10000));
    EXPECT_EQ(started.count(), 2);
}

TEST(MainView, RemainsScanStartsWhenTheApplicationCountChanges)
{
    ShellHarness h;
    MainView view(h.env());
    QSignalSpy scanning(h.cleaner.get(), &SystemCleaner::scanningChanged);
    // Every start and end of a scan is announced once.
    auto remainsScansStarted = [&] { return int(scanning.count()); };

    // An empty list starts nothing.
    h.scanner->setApps({});
    EXPECT_FALSE(h.cleaner->isScanningRemaining());

    // A first list starts one scan, with members standing for their groups.
    QList<AppInfoPtr> first = someApps(119);
    first << group(QStringLiteral("Office"), {app(QStringLiteral("com.example.word"), QStringLiteral("Word")),
                                             app(QStringLiteral("com.example.excel"), QStringLiteral("Excel"))});
    h.scanner->setApps(first);
    EXPECT_TRUE(h.cleaner->isScanningRemaining());
    const auto [ids, names] = MainView::knownApplications(first);
    EXPECT_EQ(ids.size(), 121);
    EXPECT_TRUE(ids.contains(QStringLiteral("com.example.word")));
    EXPECT_TRUE(names.contains(QStringLiteral("Excel")));
    EXPECT_FALSE(names.contains(QStringLiteral("Office")));
    EXPECT_TRUE(names.contains(QStringLiteral("App 118")));

    // While it runs, a change of the count starts nothing more.
    const int before = remainsScansStarted();
    h.scanner->setApps(someApps(5));
    EXPECT_EQ(remainsScansStarted(), before);
    drainScans(h.scanner.get(), h.cleaner.get());
    EXPECT_FALSE(h.cleaner->isScanningRemaining());

    // The same count again starts nothing.
    const int settled = remainsScansStarted();
    h.scanner->setApps(someApps(5));
    EXPECT_FALSE(h.cleaner->isScanningRemaining());
    EXPECT_EQ(remainsScansStarted(), settled);

    // A changed count while the remains list is still empty starts another scan.
    h.scanner->setApps(someApps(4));
    EXPECT_TRUE(h.cleaner->isScanningRemaining());
    drainScans(h.scanner.get(), h.cleaner.get());

    // Once remains are listed, count changes start nothing.
    RemovableItem remain;
    remain.path = QStringLiteral("/Users/tester/Library/Caches/com.gone.app");
    h.cleaner->setRemainingFiles({remain});
    h.scanner->setApps(someApps(7));
    EXPECT_FALSE(h.cleaner->isScanningRemaining());

    // A count that drops to zero starts nothing either.
    h.cleaner->setRemainingFiles({});
    h.scanner->setApps({});
    EXPECT_FALSE(h.cleaner->isScanningRemaining());
}

TEST(MainView, ThemeTabSwitchesEveryColourAtOnce)
{
    WorkspacesHarness h;
    MainView view(h.env());
    ASSERT_TRUE(showAtWindowSize(view));
    h.state->navigation().setTab(SidebarTab::theme);
    auto* themes = qobject_cast<ThemeWorkspace*>(view.workspace());
    ASSERT_NE(themes, nullptr);
    QCoreApplication::processEvents();
    ASSERT_NE(themes->card(AppAppearance::classic), nullptr);

    // Sample points: the sidebar's unselected pill text area, the workspace background, a card.
    const QImage before = view.grab().toImage();
    QTest::mouseClick(themes->card(AppAppearance::classic), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(h.state->theme().appearance(), AppAppearance::classic);
    EXPECT_TRUE(h.fake.settings.boolValue(QStringLiteral("settings.appAppearanceUserChose")));
    EXPECT_EQ(h.fake.settings.stringValue(QStringLiteral("settings.appAppearance")), QStringLiteral("classic"));
    EXPECT_TRUE(themes->card(AppAppearance::classic)->isSelected());
    EXPECT_FALSE(themes->card(AppAppearance::midnight)->isSelected());
    // Let the short cross-fade finish, then everything shows the new theme in the same frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.findChild<QWidget*>(QStringLiteral("crossFade")); }, 10000));
    const QImage after = view.grab().toImage();
    const QPoint workspaceCorner(188 + 4, 676);
    const QPoint scrollCard(188 + 14 + 10, 200);
    EXPECT_LT(luminance(pixel(before, scrollCard.x(), scrollCard.y())), 80);
    EXPECT_GT(luminance(pixel(after, scrollCard.x(), scrollCard.y())), 200);
    EXPECT_GT(luminance(pixel(after, workspaceCorner.x(), workspaceCorner.y())),
              luminance(pixel(before, workspaceCorner.x(), workspaceCorner.y())) + 60);
    // The miniature of a theme looks the same whichever theme is current.
    const QRect swatch(themes->card(AppAppearance::indigo)->mapTo(&view, QPoint(14 + 60, 14 + 30)), QSize(1, 1));
    EXPECT_EQ(pixel(before, swatch.x(), swatch.y()), pixel(after, swatch.x(), swatch.y()));
}
