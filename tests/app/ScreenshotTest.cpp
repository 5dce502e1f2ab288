#include "support/HostProgramParts.h"
#include "app/SweeplineApp.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "state/Brand.h"
#include "state/SharedState.h"
#include "support/ShellHarness.h"
#include "views/kit/Glow.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

// Renders the main window at its minimum size in each theme on every tab,
// and keeps the pictures under the build folder.
TEST(Screenshots, MainWindowInEveryTheme)
{
    FakePlatform fake;
    HostProgramParts parts{fake};
    fake.tree().makeApp(QStringLiteral("/Applications/Notes.app"), QStringLiteral("com.example.notes"),
                        QStringLiteral("Notes"));
    auto app = std::make_unique<SweeplineApp>(fake.platform(), parts.parts());
    app->start();
    MainWindow* window = app->mainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_EQ(window->size(), QSize(1100, 680));
    const QString folder = screenshotFolder();
    const auto scanning = [&] {
        const SystemCleaner& c = app->cleaner();
        return app->scanner().isScanning() || c.isScanningRemaining() || c.isScanningStartup()
            || c.isScanningExtensions();
    };

    QHash<QString, QImage> shots;
    for (AppAppearance a : allCases<AppAppearance>()) {
        app->state().theme().apply(a, true);
        for (SidebarTab tab : allCases<SidebarTab>()) {
            app->state().navigation().setTab(tab);
            // A tab shown the first time starts its scan: the picture shows its end.
            drainEvents();
            QTRY_VERIFY_WITH_TIMEOUT(!scanning(), 10000);
            ASSERT_TRUE(settleForScreenshot(window));
            const QImage img = window->grab().toImage();
            const QString name = QStringLiteral("main-window-%1-%2.png").arg(rawValue(a), rawValue(tab));
            ASSERT_TRUE(img.save(folder + u'/' + name)) << name.toStdString();
            shots.insert(name, img);
        }
    }
    // The preferences sheet over the window.
    app->state().theme().apply(AppAppearance::midnight, true);
    app->state().navigation().setTab(SidebarTab::system);
    app->state().navigation().setShowPreferences(true);
    ASSERT_TRUE(settleForScreenshot(window));
    const QImage sheet = window->grab().toImage();
    ASSERT_TRUE(sheet.save(folder + QStringLiteral("/main-window-midnight-preferences.png")));
    // The window behind is dimmed; the sheet itself is opaque.
    EXPECT_LT(luminance(pixel(sheet, 188 + 14 + 170, 600)), luminance(pixel(shots.value("main-window-midnight-system.png"), 188 + 14 + 170, 600)));
    EXPECT_EQ(pixel(sheet, 550, 72 + 140).alpha(), 255);
    app->state().navigation().setShowPreferences(false);

    std::cout << "screenshots in " << folder.toStdString() << std::endl;

    const QImage midnight = shots.value("main-window-midnight-system.png");
    const QImage classic = shots.value("main-window-classic-system.png");
    const QImage indigo = shots.value("main-window-indigo-system.png");
    ASSERT_EQ(midnight.size(), QSize(1100, 680));
    // The workspace cards: light in the light theme, dark in the others.
    const QPoint card(188 + 14 + 170, 400);
    EXPECT_GT(luminance(pixel(classic, card.x(), card.y())), 230);
    EXPECT_LT(luminance(pixel(midnight, card.x(), card.y())), 60);
    EXPECT_LT(luminance(pixel(indigo, card.x(), card.y())), 60);
    EXPECT_NE(pixel(midnight, card.x(), card.y()), pixel(indigo, card.x(), card.y()));
    // The sidebar's glass stays a deep blue in every theme.
    for (const QImage* img : {&midnight, &classic, &indigo}) {
        const QColor glass = pixel(*img, 94, 420);
        EXPECT_LT(luminance(glass), 90);
        EXPECT_GT(glass.blue(), glass.red());
    }
    // The title bar's glow spills blue light into the gap under it.
    const QColor gap = pixel(midnight, 188 + 400, 10 + 52 + 4);
    EXPECT_GT(gap.blue(), gap.red() + 20);
    // Rounded window corners are see-through.
    EXPECT_EQ(pixel(midnight, 0, 0).alpha(), 0);
    EXPECT_EQ(pixel(midnight, 1099, 679).alpha(), 0);

    drainScans(&app->scanner(), &app->cleaner());
}
