#include "state/AppSettings.h"
#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "state/SharedState.h"
#include "state/WindowNotices.h"
#include "state/MainWindowCloseGuard.h"
#include "state/MainWindowOpenBridge.h"
#include "app/AppDelegate.h"
#include "support/FakePlatform.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MemorySettings;

TEST(SettingsTest, SeedsAbsentKeysAndReadsStoredOnes)
{
    const QString menu = AppSettings::showMenuBarPreviewKey;
    const QString detect = AppSettings::detectTrashRemovalsKey;
    const QString background = AppSettings::runInBackgroundKey;
    // Stored values of any type are read with the platform's reading and kept as they are.
    struct Case {
        QVariantMap stored;
        bool expected;
        QVariantMap after;
    };
    const Case cases[] = {
        {{}, true, {{menu, true}, {detect, true}, {background, true}}},
        {{{menu, false}, {detect, 0}, {background, "no"}}, false, {{detect, 0}, {background, "no"}}},
        {{{detect, 2}, {background, "Yes"}}, true, {{background, "Yes"}}},
    };
    for (const Case& c : cases) {
        MemorySettings s;
        s.values = c.stored;
        AppSettings settings(s);
        EXPECT_EQ(settings.showMenuBarPreview(), c.expected);
        EXPECT_EQ(settings.detectTrashRemovals(), c.expected);
        EXPECT_EQ(settings.runInBackground(), c.expected);
        for (auto it = c.after.cbegin(); it != c.after.cend(); ++it)
            EXPECT_EQ(s.value(it.key()), it.value()) << it.key().toStdString();
    }
}

TEST(SettingsTest, EverySetWritesTheKeyAndChangesNotify)
{
    MemorySettings s;
    AppSettings settings(s);
    QSignalSpy detect(&settings, &AppSettings::detectTrashRemovalsChanged);
    QSignalSpy menu(&settings, &AppSettings::showMenuBarPreviewChanged);

    settings.setDetectTrashRemovals(false);
    EXPECT_EQ(s.value(AppSettings::detectTrashRemovalsKey), QVariant(false));
    ASSERT_EQ(detect.count(), 1);
    EXPECT_FALSE(detect.first().first().toBool());

    // The current value again: written, not announced.
    s.setValue(AppSettings::showMenuBarPreviewKey, 1);
    settings.setShowMenuBarPreview(true);
    EXPECT_EQ(s.value(AppSettings::showMenuBarPreviewKey), QVariant(true));
    EXPECT_EQ(menu.count(), 0);

    settings.setRunInBackground(false);
    EXPECT_FALSE(settings.runInBackground());
    EXPECT_EQ(s.value(AppSettings::runInBackgroundKey), QVariant(false));
}

TEST(SettingsTest, SharedInstancesComeFromTheInstalledState)
{
    FakePlatform fake;
    EXPECT_EQ(SharedState::current(), nullptr);
    {
        SharedState state(fake);
        EXPECT_EQ(SharedState::current(), &state);
        EXPECT_EQ(&AppSettings::shared(), &state.settings());
        EXPECT_EQ(&AppNavigation::shared(), &state.navigation());
        EXPECT_EQ(&state.platform(), &fake.platform());
        // Installing seeded the settings and ran the theme's start-up choice.
        EXPECT_TRUE(fake.settings.contains(AppSettings::runInBackgroundKey));
        EXPECT_EQ(fake.settings.value("settings.appAppearance"), QVariant("midnight"));
        EXPECT_EQ(state.navigation().tab(), SidebarTab::system);
        EXPECT_EQ(state.navigation().appsSegment(), AppsSegment::apps);
        EXPECT_EQ(state.navigation().menuCategory(), std::nullopt);
        EXPECT_FALSE(state.navigation().showPreferences());
        EXPECT_FALSE(state.navigation().remainOffer().has_value());
    }
    EXPECT_EQ(SharedState::current(), nullptr);
}

TEST(SettingsTest, OpenMainWindowSetsTabAndSegment)
{
    FakePlatform fake;
    SharedState state(fake);
    AppNavigation& nav = state.navigation();
    QSignalSpy reopen(&state.notices(), &WindowNotices::reopenMainWindow);

    nav.setAppsSegment(AppsSegment::remains);
    nav.openMainWindow(std::nullopt, false, false);
    EXPECT_EQ(nav.tab(), SidebarTab::system);
    EXPECT_EQ(nav.appsSegment(), AppsSegment::remains);
    EXPECT_EQ(reopen.count(), 1);  // no window at all: a new one is asked for

    nav.openMainWindow(SidebarTab::startup, false, false);
    EXPECT_EQ(nav.tab(), SidebarTab::startup);
    EXPECT_EQ(nav.appsSegment(), AppsSegment::remains);

    nav.openMainWindow(SidebarTab::applications, false, false);
    EXPECT_EQ(nav.appsSegment(), AppsSegment::apps);

    // Show-remains wins over a given tab.
    nav.openMainWindow(SidebarTab::updates, true, false);
    EXPECT_EQ(nav.tab(), SidebarTab::applications);
    EXPECT_EQ(nav.appsSegment(), AppsSegment::remains);
}

TEST(SettingsTest, PreferencesComeBackAQuarterSecondLater)
{
    FakePlatform fake;
    SharedState state(fake);
    AppNavigation& nav = state.navigation();
    nav.setShowPreferences(true);
    QSignalSpy spy(&nav, &AppNavigation::showPreferencesChanged);

    QElapsedTimer clock;
    clock.start();
    nav.openMainWindow(std::nullopt, false, true);
    EXPECT_FALSE(nav.showPreferences());  // a sheet that was up goes down at once
    EXPECT_TRUE(QTest::qWaitFor([&] { return nav.showPreferences(); }, 10000));
    EXPECT_GE(clock.elapsed(), 240);  // not before the quarter second
    ASSERT_EQ(spy.count(), 2);
    EXPECT_FALSE(spy[0].first().toBool());
    EXPECT_TRUE(spy[1].first().toBool());
}

TEST(SettingsTest, RemainOfferAnnouncesEachNewOffer)
{
    AppNavigation nav;
    QSignalSpy spy(&nav, &AppNavigation::remainOfferChanged);
    RemainCleanupOffer offer;
    offer.appName = "Foo";
    nav.setRemainOffer(offer);
    nav.setRemainOffer(offer);  // the same offer again
    EXPECT_EQ(spy.count(), 1);
    nav.setRemainOffer(RemainCleanupOffer{});
    EXPECT_EQ(spy.count(), 2);
    nav.setRemainOffer(std::nullopt);
    EXPECT_EQ(spy.count(), 3);
    EXPECT_FALSE(nav.remainOffer().has_value());

    // The maker's links point at a reserved name, never at a real site.
    EXPECT_EQ(brand::websiteURL().host(), brand::websiteHost());
    EXPECT_TRUE(brand::websiteHost().endsWith(".example"));
    EXPECT_EQ(brand::supportURL().toString(), brand::websiteURL().toString() + "/support");
}
