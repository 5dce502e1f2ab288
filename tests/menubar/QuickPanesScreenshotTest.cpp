#include "QuickPaneFixture.h"
#include "menubar/CategoryQuickPanel.h"
#include "menubar/QuickApplicationsPane.h"
#include "menubar/QuickNetworkPane.h"
#include "menubar/QuickStartupPane.h"
#include "menubar/SidePanel.h"
#include "menubar/UpdatesNotificationPanel.h"
#include "views/kit/LazyList.h"
#include "views/kit/TextButton.h"
#include "views/kit/TintedLabel.h"

#include <QTest>

#include <iostream>

using namespace tw;
using namespace tw::test;
using namespace tw::test::panes;

namespace {

// Applications with feeds and an App Store receipt, the startup items of a
// small Mac; the menu bar's own check runs over them.
void fill(MenuBarRig& r)
{
    FakePlatform& fake = r.shell.fake;
    auto withFeed = [&](const QString& name, const QByteArray& version, std::int64_t size) {
        const QString url = QStringLiteral("https://updates.example.com/") + name.toLower() + QStringLiteral(".xml");
        r.http.answers.insert(url, answer(feed(version)));
        return bundle(fake, name, size, {{QStringLiteral("SUFeedURL"), url}});
    };
    AppInfoPtr notes = bundle(fake, QStringLiteral("Notes Pro"), 310'000'000);
    fake.tree().write(notes->path() + QStringLiteral("/Contents/_MASReceipt/receipt"), "receipt");
    r.http.answers.insert(QStringLiteral("https://itunes.apple.com/lookup?bundleId=com.example.notespro&entity=macSoftware"),
                          answer(R"({"resultCount":1,"results":[{"version":"2.4","trackId":42}]})"));
    QList<AppInfoPtr> apps{withFeed(QStringLiteral("Writer"), "5.2.1", 2'400'000'000),
                           group(QStringLiteral("Creative Suite"),
                                 {bundle(fake, QStringLiteral("Painter"), 5'100'000'000),
                                  bundle(fake, QStringLiteral("Sketcher"), 900'000'000)}),
                           withFeed(QStringLiteral("Mailbox"), "3.0", 95'000'000), notes,
                           bundle(fake, QStringLiteral("Terminal"), 12'000'000, {}, QStringLiteral("/System/Applications"))};
    r.shell.scanner->setApps(apps);

    QList<RemovableItem> items;
    const std::pair<const char*, const char*> entries[] = {
        {"Dropbox", "Login Item"}, {"com.vendor.sync", "Launch Agent"}, {"net.vendor.guard", "Launch Daemon"},
        {"Rectangle", "Login Item"}, {"backupd", "Launch Agent"}};
    for (const auto& [title, category] : entries) {
        RemovableItem item;
        item.title = QString::fromLatin1(title);
        item.category = QString::fromLatin1(category);
        item.path = QStringLiteral("/Library/LaunchAgents/") + item.title + QStringLiteral(".plist");
        item.icon = item.category == "Login Item" ? IconRef::fileIcon(notes->path()) : IconRef::symbol("rocket.fill");
        item.isEnabled = item.title != "backupd";
        items << item;
    }
    r.shell.cleaner->setStartupItems(items);
}

} // namespace

TEST(QuickPaneScreenshots, EveryPaneInTheSidePanelInEveryTheme)
{
    MenuBarRig r;
    fill(r);
    r.install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.c().updateChecker().isChecking(); }, 10000));
    ASSERT_EQ(quick::detectedUpdates(r.c().updateChecker().items()).size(), 3);
    const QString folder = screenshotFolder();
    const SidebarTab tabs[] = {SidebarTab::applications, SidebarTab::startup, SidebarTab::network, SidebarTab::updates};
    for (AppAppearance a : allCases<AppAppearance>()) {
        r.theme().apply(a, true);
        settle();
        for (SidebarTab tab : tabs) {
            r.c().showCategoryPanel(tab);
            ASSERT_TRUE(settleForScreenshot(r.c().panel()));
            const QImage panel = r.c().panel()->grab().toImage();
            EXPECT_EQ(panel.size(), QSize(460, 420) * panel.devicePixelRatio());
            ASSERT_TRUE(panel.save(folder + QStringLiteral("/quickpane-%1-%2.png").arg(rawValue(tab), rawValue(a))));
        }
    }
    std::cout << "screenshots in " << folder.toStdString() << std::endl;
}

TEST(QuickPanes, TheSidePanelHostsEachPaneOverTheControllersEngines)
{
    MenuBarRig r;
    fill(r);
    r.install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.c().updateChecker().isChecking(); }, 10000));

    r.c().showCategoryPanel(SidebarTab::applications);
    auto* apps = qobject_cast<QuickApplicationsPane*>(r.c().categoryPanel()->pane());
    ASSERT_NE(apps, nullptr);
    EXPECT_EQ(names(apps->apps()), (QStringList{"Writer", "Creative Suite", "Mailbox", "Notes Pro"}));
    // Its confirmation goes through the controller's prompter.
    r.shell.prompter.script = {"Cancel"};
    apps->confirmUninstall(apps->apps().front());
    ASSERT_EQ(r.shell.prompter.asked.size(), 1);
    EXPECT_EQ(r.shell.prompter.asked[0].title, "Uninstall Writer?");

    r.c().showCategoryPanel(SidebarTab::network);
    ASSERT_NE(qobject_cast<QuickNetworkPane*>(r.c().categoryPanel()->pane()), nullptr);
    r.c().showCategoryPanel(SidebarTab::startup);
    auto* startup = qobject_cast<QuickStartupPane*>(r.c().categoryPanel()->pane());
    ASSERT_NE(startup, nullptr);
    EXPECT_EQ(startup->list()->count(), 5);

    // The updates pane, centred, with its own footer and link.
    r.c().showCategoryPanel(SidebarTab::updates);
    auto* updates = r.c().categoryPanel()->findChild<UpdatesNotificationPanel*>();
    ASSERT_NE(updates, nullptr);
    EXPECT_EQ(updates->mapTo(r.c().categoryPanel(), QPoint(0, 0)), QPoint(10, 20));
    EXPECT_EQ(updates->footerText()->text(), "Ready to update: 3 apps");
    EXPECT_EQ(r.c().categoryPanel()->footerLabel(), nullptr);
    QTest::mouseClick(updates->openInApp(), Qt::LeftButton);
    EXPECT_EQ(r.navigation().tab(), SidebarTab::updates);
    EXPECT_FALSE(r.c().panel()->isVisible());
}
