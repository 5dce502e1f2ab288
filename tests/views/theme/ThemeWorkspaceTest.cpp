#include "state/SharedState.h"
#include "state/Theme.h"
#include "support/FakePlatform.h"
#include "views/kit/NeonShapes.h"
#include "views/theme/ThemePreviewCard.h"
#include "views/theme/ThemeWorkspace.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

TEST(ThemeWorkspace, CardsShowTheCurrentThemeAndAClickChoosesOne)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    ThemeWorkspace themes(state.theme());
    themes.resize(1100 - 188, 680);
    themes.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&themes));
    QCoreApplication::processEvents();

    ASSERT_NE(themes.card(AppAppearance::midnight), nullptr);
    EXPECT_TRUE(themes.card(AppAppearance::midnight)->isSelected());
    EXPECT_EQ(themes.card(AppAppearance::midnight)->symbolName(), "checkmark.circle.fill");
    EXPECT_EQ(themes.card(AppAppearance::midnight)->symbolColour(), neon::rgb(0.18, 0.72, 1.0));
    EXPECT_EQ(themes.card(AppAppearance::classic)->symbolName(), "circle");
    EXPECT_EQ(themes.card(AppAppearance::classic)->symbolColour(), neon::rgb(0.55, 0.68, 0.82));
    // Two cards in the first row, the third alone in the left column of the second.
    EXPECT_EQ(themes.card(AppAppearance::midnight)->y(), themes.card(AppAppearance::classic)->y());
    EXPECT_GT(themes.card(AppAppearance::indigo)->y(), themes.card(AppAppearance::midnight)->y());
    EXPECT_EQ(themes.card(AppAppearance::indigo)->x(), themes.card(AppAppearance::midnight)->x());

    QTest::mouseClick(themes.card(AppAppearance::classic), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(state.theme().appearance(), AppAppearance::classic);
    EXPECT_TRUE(themes.card(AppAppearance::classic)->isSelected());

    // Clicking the current theme again changes nothing.
    const int revision = state.theme().revision();
    QTest::mouseClick(themes.card(AppAppearance::classic), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(state.theme().revision(), revision);

    // Indigo from the grid: selected, and the user's choice is stored.
    QTest::mouseClick(themes.card(AppAppearance::indigo), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(state.theme().appearance(), AppAppearance::indigo);
    EXPECT_EQ(state.theme().revision(), revision + 1);
    EXPECT_TRUE(themes.card(AppAppearance::indigo)->isSelected());
    EXPECT_FALSE(themes.card(AppAppearance::classic)->isSelected());
    EXPECT_EQ(fake.settings.stringValue(QStringLiteral("settings.appAppearance")), QStringLiteral("indigo"));
}
