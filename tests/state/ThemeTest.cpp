#include "state/AppSettings.h"
#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/SharedState.h"
#include "state/Theme.h"
#include "state/NavigationTypes.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::FakePlatform;
using tw::test::MemorySettings;

namespace {

const QString kTheme = QStringLiteral("settings.appAppearance");
const QString kUserChose = QStringLiteral("settings.appAppearanceUserChose");
const QString kReset = QStringLiteral("settings.forceMidnightDefault.v3");

void expectColor(const QColor& c, double r, double g, double b, double a = 1.0)
{
    EXPECT_NEAR(c.redF(), r, 1e-3);
    EXPECT_NEAR(c.greenF(), g, 1e-3);
    EXPECT_NEAR(c.blueF(), b, 1e-3);
    EXPECT_NEAR(c.alphaF(), a, 1e-3);
}

} // namespace

TEST(ThemeTest, StartUpChoiceMatrix)
{
    struct Case {
        const char* what;
        QVariantMap stored;
        AppAppearance expected;
        QVariantMap after;
    };
    const Case cases[] = {
        {"first start with nothing stored", {}, AppAppearance::midnight,
         {{kTheme, "midnight"}, {kUserChose, false}, {kReset, true}}},
        {"an installation from before the reset: reset once, whatever was chosen",
         {{kUserChose, true}, {kTheme, "indigo"}}, AppAppearance::midnight,
         {{kTheme, "midnight"}, {kUserChose, false}, {kReset, true}}},
        {"the reset has run and the user picked classic: it survives the restart",
         {{kReset, true}, {kUserChose, true}, {kTheme, "classic"}}, AppAppearance::classic,
         {{kUserChose, true}, {kTheme, "classic"}}},
        {"a stored theme the user never picked is replaced by midnight",
         {{kReset, true}, {kUserChose, false}, {kTheme, "indigo"}}, AppAppearance::midnight,
         {{kTheme, "midnight"}}},
        {"a theme word in another letter case is no theme",
         {{kReset, true}, {kUserChose, true}, {kTheme, "Indigo"}}, AppAppearance::midnight,
         {{kTheme, "midnight"}}},
        {"the reset flag is read as the platform reads booleans",
         {{kReset, "YES"}, {kUserChose, 1}, {kTheme, "indigo"}}, AppAppearance::indigo, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettings s;
        s.values = c.stored;
        ThemeManager m(s);
        EXPECT_EQ(m.appearance(), c.expected);
        EXPECT_EQ(m.revision(), c.expected == AppAppearance::midnight ? 0 : 1);
        for (auto it = c.after.cbegin(); it != c.after.cend(); ++it)
            EXPECT_EQ(s.value(it.key()), it.value()) << it.key().toStdString();
    }
}

// Settings that count what is written to them.
struct CountingSettings final : Settings {
    MemorySettings inner;
    QStringList written;
    QVariant value(const QString& key) const override { return inner.value(key); }
    void setValue(const QString& key, const QVariant& value) override
    {
        written << key;
        inner.setValue(key, value);
    }
};

TEST(ThemeTest, LaterStartsWriteNoSettings)
{
    // Every write makes the host rewrite its settings file, before the first frame.
    CountingSettings s;
    {
        AppSettings app(s);
        ThemeManager theme(s);
        LanguageManager language(s);
    }
    EXPECT_TRUE(s.written.contains(kReset));
    EXPECT_EQ(s.value(kTheme), QVariant("midnight"));

    s.written.clear();
    {
        AppSettings app(s);
        ThemeManager theme(s);
        LanguageManager language(s);
        EXPECT_EQ(theme.appearance(), AppAppearance::midnight);
    }
    EXPECT_EQ(s.written, QStringList());

    // A chosen theme is read back, not stored again.
    s.setValue(kTheme, "classic");
    s.setValue(kUserChose, true);
    s.written.clear();
    {
        ThemeManager theme(s);
        EXPECT_EQ(theme.appearance(), AppAppearance::classic);
    }
    EXPECT_EQ(s.written, QStringList());
}

TEST(ThemeTest, ApplyStoresAlwaysAndPublishesOnlyChanges)
{
    MemorySettings s;
    ThemeManager m(s);
    QSignalSpy changed(&m, &ThemeManager::appearanceChanged);
    QSignalSpy revisions(&m, &ThemeManager::revisionChanged);

    m.apply(AppAppearance::indigo, true);
    EXPECT_EQ(m.appearance(), AppAppearance::indigo);
    EXPECT_EQ(m.revision(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(revisions.count(), 1);
    EXPECT_EQ(s.value(kTheme), QVariant("indigo"));
    EXPECT_TRUE(s.boolValue(kUserChose));

    m.apply(AppAppearance::classic, true);
    // The same theme again: both keys are written, nothing is published.
    s.setValue(kUserChose, false);
    s.setValue(kTheme, "stale");
    m.apply(AppAppearance::classic, true);
    EXPECT_EQ(m.revision(), 2);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_TRUE(s.boolValue(kUserChose));
    EXPECT_EQ(s.value(kTheme), QVariant("classic"));

    // Not user-initiated: the user-chose flag is left as it is.
    s.setValue(kUserChose, false);
    m.apply(AppAppearance::midnight, false);
    EXPECT_FALSE(s.boolValue(kUserChose));
    EXPECT_EQ(m.appearance(), AppAppearance::midnight);
    EXPECT_EQ(m.revision(), 3);
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.last().first().value<AppAppearance>(), AppAppearance::midnight);
}

TEST(ThemeTest, ColoursFollowTheStoredThemeOnEveryRead)
{
    // Without an installed state the colours are midnight's.
    EXPECT_EQ(AppTheme::accent(), AppTheme::accent(AppAppearance::midnight));

    FakePlatform fake;
    SharedState state(fake);
    expectColor(AppTheme::selectionFill(), 0.1, 0.28, 0.55, 0.45);

    // Every read looks at the stored theme; derived colours follow theirs.
    fake.settings.setValue(kTheme, "classic");
    expectColor(AppTheme::selectionFill(), 0.22, 0.5, 0.94, 0.08);
    expectColor(AppTheme::listBackground(), 0.95, 0.96, 0.97, 0.35);
    expectColor(AppTheme::selectionStroke(), 0.22, 0.5, 0.94, 0.55);
    EXPECT_EQ(AppTheme::selectionGlow(), AppTheme::accent());

    // The right word in another case reads as midnight.
    fake.settings.setValue(kTheme, "Classic");
    EXPECT_EQ(AppTheme::listBackground(), AppTheme::listBackground(AppAppearance::midnight));

    fake.settings.setValue(kTheme, "indigo");
    expectColor(AppTheme::cardStroke(), 1, 1, 1, 0.14);
    expectColor(AppTheme::secondaryText(), 0.46, 0.73, 1.0, 0.75);

    // A theme applied through the manager is what the next read sees.
    state.theme().apply(AppAppearance::classic, true);
    EXPECT_EQ(AppTheme::appearance(), AppAppearance::classic);
    EXPECT_EQ(AppTheme::primaryText(), AppTheme::primaryText(AppAppearance::classic));
    // The sidebar colours do not depend on the theme.
    expectColor(AppTheme::sidebarTop(), 0.3, 0.55, 0.92);
}

TEST(ThemeTest, MenuBarPopupGradients)
{
    const QLinearGradient classic = AppTheme::menuBarPopupBackground(AppAppearance::classic);
    ASSERT_EQ(classic.stops().size(), 2);
    EXPECT_EQ(classic.finalStop(), QPointF(0, 1));  // top to bottom

    const QLinearGradient midnight = AppTheme::menuBarPopupBackground(AppAppearance::midnight);
    ASSERT_EQ(midnight.stops().size(), 3);
    EXPECT_EQ(midnight.finalStop(), QPointF(1, 1));  // top-leading to bottom-trailing
    EXPECT_EQ(midnight.coordinateMode(), QGradient::ObjectBoundingMode);
    EXPECT_EQ(midnight.stops()[1].second, AppTheme::panelBase(AppAppearance::midnight));
    expectColor(midnight.stops()[2].second, 0.08, 0.16, 0.36, 0.55 * 0.85);  // both factors apply

    const QLinearGradient indigo = AppTheme::menuBarPopupBackground(AppAppearance::indigo);
    ASSERT_EQ(indigo.stops().size(), 3);
    EXPECT_EQ(indigo.stops()[1].second, AppTheme::panelBase(AppAppearance::indigo));
    expectColor(indigo.stops()[2].second, 0.1, 0.16, 0.3, 0.45 * 0.85);
}

TEST(ThemeTest, NavigationEnumerations)
{
    const QList<SidebarTab> tabs{SidebarTab::applications, SidebarTab::startup, SidebarTab::updates,
                                 SidebarTab::extensions,   SidebarTab::network, SidebarTab::system,
                                 SidebarTab::theme};
    EXPECT_EQ(allCases<SidebarTab>(), tabs);
    EXPECT_EQ(fromRawValue<SidebarTab>("Theme"), std::nullopt);
    EXPECT_EQ(fromRawValue<SidebarTab>("theme"), SidebarTab::theme);
    for (SidebarTab tab : tabs)
        EXPECT_EQ(fromRawValue<SidebarTab>(rawValue(tab)), tab);
    EXPECT_EQ(fromRawValue<AppsSegment>("remains"), AppsSegment::remains);
    EXPECT_EQ(fromRawValue<AppsSegment>("Apps"), std::nullopt);
    EXPECT_EQ(fromRawValue<AppSort>("date"), AppSort::date);
    EXPECT_EQ(fromRawValue<AppSort>(""), std::nullopt);
    EXPECT_EQ(fromRawValue<AppAppearance>("indigo"), AppAppearance::indigo);
    EXPECT_EQ(fromRawValue<AppAppearance>("Indigo"), std::nullopt);

    FakePlatform fake;
    SharedState state(fake);
    EXPECT_EQ(pillTitle(SidebarTab::applications), "Applications");
    EXPECT_EQ(title(AppSort::size), "Size");
    EXPECT_EQ(displayName(AppAppearance::classic), "Light");
    state.language().setLanguage(AppLanguage::it);
    EXPECT_EQ(pillTitle(SidebarTab::updates), "Aggiornamenti");
    EXPECT_EQ(title(AppsSegment::remains), "Residui");
    EXPECT_EQ(description(AppAppearance::midnight), "Pannelli di vetro scuro con un bagliore blu elettrico");
}
