#include "engine/updates/Printing.h"
#include "state/Theme.h"
#include "views/updates/UpdateTexts.h"

#include "state/Colour.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using A = UpdateAvailability;

TEST(UpdateTexts, EveryStateHasItsCaptionMessageAndVersion)
{
    struct Case {
        A state;
        QString caption;
        bool enabled;
        QString available;
        QString message;
    };
    const QString waiting = "Check for Updates to see if a newer version is available.";
    const QList<Case> cases{
        {A::updateAvailable("2.0", QUrl("https://example.com/a.zip")), "Update", true, "2.0",
         "Download the update from the developer site."},
        {A::appStoreUpdate("4.2", 42), "Launch the App Store", true, "4.2", "Launch the App Store to update."},
        {A::failed(kConnectionProblemMessage), "Launch", true, "Please check your Internet connection.",
         "Could not check for updates. Launch the application to update it."},
        {A::pending(), "\u2026", false, "Checking\u2026", waiting},
        {A::checking(), "\u2026", false, "Checking\u2026", waiting},
        {A::upToDate(), "Launch", true, "Up to date", "This application is up to date. You can still launch it."},
        {A::launchToUpdate(), "Launch", true, "\u2014", "Launch the application to update it."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state.describe().toStdString());
        EXPECT_EQ(updatetexts::actionCaption(c.state), c.caption);
        EXPECT_EQ(updatetexts::actionEnabled(c.state), c.enabled);
        AppUpdateItem row{"/Applications/A.app", "A", "com.example.a", {}, "1.0", UpdateChannel::sparkle, c.state};
        EXPECT_EQ(updatetexts::availableVersion(row), c.available);
        EXPECT_EQ(updatetexts::message(c.state), c.message);
        // Only an update, or the lack of version information, has a line of its own on the row.
        const auto status = updatetexts::statusLine(row);
        EXPECT_EQ(status.has_value(), c.state.isActionable() || c.state == A::launchToUpdate());
        if (c.state.isActionable()) {
            EXPECT_EQ(status->text, "Available version " + c.available);
        }
    }
}

TEST(UpdateTexts, InstalledVersionAndButtonTint)
{
    AppUpdateItem row{"/Applications/A.app", "A", "com.example.a", {}, "", UpdateChannel::manual, A::upToDate()};
    EXPECT_EQ(updatetexts::versionLine(row), "Version unknown");
    EXPECT_EQ(updatetexts::installedVersion(row), "\u2014");
    row.installedVersion = "10.4.1 (beta)";
    EXPECT_EQ(updatetexts::versionLine(row), "Installed version 10.4.1 (beta)");
    EXPECT_EQ(updatetexts::installedVersion(row), "10.4.1 (beta)");

    // Up to date takes the theme's accent; every other state the classic blue, in every theme.
    const QColor blue = rgb(0.22, 0.50, 0.94);
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic, AppAppearance::indigo}) {
        EXPECT_EQ(updatetexts::detailButtonTint(A::upToDate(), a), AppTheme::accent(a));
        EXPECT_EQ(updatetexts::detailButtonTint(A::failed("x"), a), blue);
        EXPECT_EQ(updatetexts::detailButtonTint(A::launchToUpdate(), a), blue);
    }
    EXPECT_NE(updatetexts::detailButtonTint(A::upToDate(), AppAppearance::midnight), blue);
}

} // namespace
} // namespace tw
