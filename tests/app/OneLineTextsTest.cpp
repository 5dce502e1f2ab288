#include "engine/updates/UpdateChecker.h"
#include "menubar/QuickListRow.h"
#include "menubar/UpdatesNotificationPanel.h"
#include "support/LocalHttpServer.h"
#include "support/ShellHarness.h"
#include "views/applications/RemainsRules.h"
#include "views/applications/UninstallRules.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/WrappingText.h"
#include "views/network/NetworkState.h"
#include "views/network/NetworkWorkspace.h"
#include "views/system/SystemMachineCard.h"
#include "views/updates/UpdateDetail.h"

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

// A bundle with a line break in its name and version, as Qt's text widgets
// show it: on one line, the break a space; an alert's own breaks stay.
TEST(OneLineTexts, ANameOrVersionFromTheDiskShowsOnOneLine)
{
    ShellHarness h;
    LocalHttpServer server;
    server.route("/feed.xml", Reply::ok("<rss><channel><item><sparkle:shortVersionString>3.0</sparkle:shortVersionString>"
                                        "<enclosure url=\"https://example.com/get.zip\"/></item></channel></rss>"));
    const QString name = "New\nLine", version = "2.0\nbeta";
    AppFields f{.name = name, .bundleIdentifier = "com.example.newline", .version = version};
    f.path = h.fake.tree().makeApp("/Applications/New\nLine.app", {f.bundleIdentifier, name, {}, version, {},
                                                                    {{"SUFeedURL", server.url("/feed.xml").toString()}}});
    const AppInfoPtr app = AppInfo::make(f);

    UpdateChecker checker(h.fake.platform());
    checker.setRequestOptions({server.base(), std::chrono::milliseconds(3000)});
    UpdatesNotificationPanel pane(checker, {});
    pane.show();
    checker.checkAll({app});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !checker.isChecking() && pane.rowFor(0); }, 10000));
    UpdateDetail detail;
    detail.bind(checker.items().value(0));
    NetworkWorkspace network(h.env());
    network.state().select(app);
    const AlertDialog alert({Prompt::Style::warning, apps::uninstallConfirmation(*app).message, {}, {}});
    MachineCard machine;
    machine.display({.marketingTitle = name});
    const auto failure = [](const QString& item) { return RemovalFailure{"/p", item, {"d", 1, "Locked."}}; };

    const struct {
        const char* place;
        QString shown, expected;
    } places[] = {
        {"Updates detail name", detail.nameLabel()->text(), "New Line"},
        {"Updates detail version", text::withoutIsolates(detail.value(0)->toPlainText()), "2.0 beta"},
        {"Updates detail path", text::withoutIsolates(detail.value(2)->toPlainText()), "/Applications/New Line.app"},
        {"quick Updates version", pane.rowFor(0)->findChild<TintedLabel*>()->text(), "2.0 beta"},
        {"Network detail name", network.nameLabel()->text(), "New Line"},
        {"uninstall alert title", alert.findChildren<TintedLabel*>().value(0)->text(), "Uninstall New Line?"},
        {"failure alert text", apps::remainsFailureAlert({.failures = {failure(name), failure("Old")}}).text,
         "New Line: Locked.\nOld: Locked."},
        {"machine title", machine.title(), "New Line"},
    };
    for (const auto& p : places)
        EXPECT_EQ(p.shown, p.expected) << p.place;
}
