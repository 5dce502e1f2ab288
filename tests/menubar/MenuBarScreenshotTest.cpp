#include "menubar/CategoryQuickPanel.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/MenuBarRig.h"
#include "menubar/PopoverWindow.h"
#include "menubar/PreviewCard.h"
#include "menubar/SidePanel.h"
#include "menubar/SystemMonitorCompact.h"

#include <QTest>

#include <iostream>

using namespace tw;
using namespace tw::test;

namespace {

// The preview with figures in every card: applications of a few sizes,
// startup items, remains and a processor and memory load.
void fill(MenuBarRig& r)
{
    QList<AppInfoPtr> apps;
    for (const auto& [name, size] : {std::pair{"Writer", 2'400'000'000}, {"Painter", 5'100'000'000},
                                     {"Mailbox", 310'000'000}, {"Notebook", 95'000'000}})
        apps << record(QString::fromLatin1(name), size);
    r.shell.scanner->setApps(apps);
    QList<RemovableItem> items;
    for (int i = 0; i < 7; ++i) {
        RemovableItem item;
        item.title = QStringLiteral("Agent %1").arg(i);
        item.isEnabled = i % 3 != 0;
        items << item;
    }
    r.shell.cleaner->setStartupItems(items);
    r.shell.cleaner->setRemainingFiles(QList<RemovableItem>(5));
}

// A busy Mac: a processor load with its history, memory under pressure, a
// disk half full, a busy process and some traffic.
SystemSnapshot snapshot()
{
    SystemSnapshot s;
    s.cpuPercent = 23.6;
    s.cpuSystem = 7.25;
    s.cpuUser = 16.35;
    s.cpuIdle = 76.4;
    s.cpuHistory = {12, 18, 15, 31, 44, 38, 22, 19, 27, 35, 29, 41, 57, 48, 30, 26, 21, 24, 23.6};
    s.memoryTotal = 16ull << 30;
    s.memoryUsed = 11ull << 30;
    s.appMemory = 7ull << 30;
    s.memoryWired = 2ull << 30;
    s.memoryCompressed = 900ull << 20;
    s.cachedFiles = 3ull << 30;
    s.swapUsed = 256ull << 20;
    s.diskTotal = 500'000'000'000;
    s.diskUsed = 262'000'000'000;
    s.diskFree = 238'000'000'000;
    s.diskReadPerSec = 1'250'000;
    s.diskWritePerSec = 86'000;
    s.networkInPerSec = 412'000;
    s.networkOutPerSec = 23'500;
    s.uptime = 3 * 86400 + 4 * 3600;
    s.topProcesses = {{412, QStringLiteral("Painter"), 18.4, 0}};
    return s;
}

} // namespace

TEST(MenuBarScreenshots, PreviewAndSidePanelInEveryTheme)
{
    MenuBarRig r;
    fill(r);
    r.install();
    const QString folder = screenshotFolder();
    QHash<AppAppearance, QImage> previews;
    for (AppAppearance a : allCases<AppAppearance>()) {
        r.theme().apply(a, true);
        settle();
        if (!r.c().isPopoverShown())
            r.click();
        ASSERT_TRUE(r.c().isPopoverShown());
        r.navigation().setMenuCategory(SidebarTab::system);
        const SystemSnapshot s = snapshot();
        r.c().preview()->showSnapshot(s);
        ASSERT_TRUE(settleForScreenshot(r.c().popover()));
        const QImage preview = r.c().popover()->grab().toImage();
        ASSERT_TRUE(preview.save(folder + QStringLiteral("/menubar-preview-%1.png").arg(rawValue(a))));
        previews.insert(a, preview);

        r.c().showCategoryPanel(SidebarTab::system);
        auto* pane = qobject_cast<SystemMonitorCompact*>(r.c().categoryPanel()->pane());
        ASSERT_NE(pane, nullptr);
        pane->showSnapshot(s);
        ASSERT_TRUE(settleForScreenshot(r.c().panel()));
        const QImage panel = r.c().panel()->grab().toImage();
        ASSERT_TRUE(panel.save(folder + QStringLiteral("/menubar-panel-%1.png").arg(rawValue(a))));
        EXPECT_EQ(panel.size(), QSize(460, 420) * panel.devicePixelRatio());
    }
    std::cout << "screenshots in " << folder.toStdString() << std::endl;

    // The corners outside the rounded frame are see-through; the cards are
    // white in the light theme and dark in the others.
    const QImage& midnight = previews[AppAppearance::midnight];
    EXPECT_LT(pixel(midnight, 0, 0).alpha(), 40);
    const QRect apps = r.c().preview()->card(SidebarTab::applications).geometry();
    const QPoint cardPoint = r.c().preview()->mapTo(r.c().popover(), apps.bottomRight() - QPoint(10, 6));
    EXPECT_GT(luminance(pixel(previews[AppAppearance::classic], cardPoint.x(), cardPoint.y())), 230);
    EXPECT_LT(luminance(pixel(midnight, cardPoint.x(), cardPoint.y())), 60);
    EXPECT_LT(luminance(pixel(previews[AppAppearance::indigo], cardPoint.x(), cardPoint.y())), 60);
}
