// The Startup tab in the main window, an item selected, in every theme.

#include "app/MainWindow.h"
#include "app/SweeplineApp.h"
#include "state/AppNavigation.h"
#include "support/HostProgramParts.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/WrappingText.h"
#include "views/startup/StartupDetail.h"
#include "views/startup/StartupState.h"
#include "views/startup/StartupTree.h"
#include "views/startup/StartupWorkspace.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

using namespace tw;
using namespace tw::test;
using namespace tw::test::startup;

TEST(StartupScreenshots, SelectedItemInEveryTheme)
{
    FakePlatform fake;
    HostProgramParts parts{fake};
    makeStartupTree(fake);
    // A long label and a long path, to wrap inside the detail.
    const QString longLabel = QStringLiteral("com.example.enterprise.management.agent.with.a.rather.long.reverse.dns.label");
    const QString longFile = kAgents + QStringLiteral("/") + longLabel + QStringLiteral(".plist");
    fake.tree().writePlist(longFile, job(longLabel, QStringLiteral("/opt/enterprise/bin/agent")));
    auto app = std::make_unique<SweeplineApp>(fake.platform(), parts.parts());
    app->start();
    MainWindow* window = app->mainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    app->state().navigation().setTab(SidebarTab::startup);
    QCoreApplication::processEvents();
    auto* tab = window->findChild<StartupWorkspace*>();
    ASSERT_NE(tab, nullptr);
    drainScans(&app->scanner(), &app->cleaner());
    tab->state().select(kSyncAgent);

    const QString folder = screenshotFolder();
    QHash<AppAppearance, QImage> shots;
    for (AppAppearance a : allCases<AppAppearance>()) {
        app->state().theme().apply(a, true);
        ASSERT_TRUE(settleForScreenshot(window));
        const QImage img = window->grab().toImage();
        ASSERT_TRUE(img.save(folder + QStringLiteral("/startup-%1.png").arg(rawValue(a))));
        shots.insert(a, img);
    }
    // The identity card's fill, drawn for each theme.
    const QWidget* identity = tab->detailColumn()->titleText()->parentWidget();
    const QPoint inside = identity->mapTo(window, QPoint(identity->width() - 6, identity->height() - 6));
    const struct {
        AppAppearance theme;
        QColor fill;
    } fills[] = {{AppAppearance::midnight, neon::rgb(0.05, 0.08, 0.14)},
                 {AppAppearance::classic, neon::rgb(0.95, 0.96, 0.97)},
                 {AppAppearance::indigo, neon::rgb(0.03, 0.04, 0.08)}};
    for (const auto& f : fills) {
        const QColor seen = pixel(shots.value(f.theme), inside.x(), inside.y());
        EXPECT_LE(std::abs(seen.red() - f.fill.red()) + std::abs(seen.green() - f.fill.green())
                      + std::abs(seen.blue() - f.fill.blue()),
                  6)
            << rawValue(f.theme).toStdString();
    }

    // The long texts wrap; the empty list shows its text and the detail its placeholder.
    tab->state().select(longFile);
    app->state().theme().apply(AppAppearance::classic, true);
    ASSERT_TRUE(settleForScreenshot(window));
    ASSERT_TRUE(window->grab().save(folder + QStringLiteral("/startup-classic-long.png")));
    tab->state().setSearchText(QStringLiteral("nothing like it"));
    tab->state().select(QStringLiteral("/nowhere"));
    app->state().theme().apply(AppAppearance::indigo, true);
    ASSERT_TRUE(settleForScreenshot(window));
    ASSERT_TRUE(window->grab().save(folder + QStringLiteral("/startup-indigo-empty.png")));
    std::cout << "screenshots in " << folder.toStdString() << std::endl;
    drainScans(&app->scanner(), &app->cleaner());
}
