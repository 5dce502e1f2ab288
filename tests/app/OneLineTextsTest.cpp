#include "menubar/QuickListRow.h"
#include "menubar/QuickPaneFixture.h"
#include "menubar/UpdatesNotificationPanel.h"
#include "support/LocalHttpServer.h"
#include "views/applications/RemainsRules.h"
#include "views/applications/UninstallRules.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/WrappingText.h"
#include "views/network/NetworkState.h"
#include "views/network/NetworkWorkspace.h"
#include "views/updates/UpdateDetail.h"

using namespace tw;
using namespace tw::test;

// A bundle with a line break in its name and its feed's version, as Qt's text
// widgets show them: on one line, the break a space; an alert's own breaks stay.
TEST(OneLineTexts, ANameOrVersionFromTheDiskShowsOnOneLine)
{
    ShellHarness h;
    LocalHttpServer server;
    server.route("/feed.xml", Reply::ok(panes::feed("3.0\nbeta")));
    const AppInfoPtr app = panes::bundle(h.fake, "New\nLine", 1, {{"SUFeedURL", server.url("/feed.xml").toString()}});
    UpdateChecker checker(h.fake.platform());
    checker.setRequestOptions({server.base(), std::chrono::seconds(3)});
    UpdatesNotificationPanel pane(checker, {});
    pane.show();
    checker.checkAll({app});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.rowFor(0); }, 10000));
    UpdateDetail detail;
    detail.bind(checker.items().value(0));
    NetworkWorkspace network(h.env());
    network.state().select(app);
    const AlertDialog alert({Prompt::Style::warning, apps::uninstallConfirmation(*app).message, {}, {}});
    const auto failure = [](const QString& item) { return RemovalFailure{"/p", item, {"d", 1, "Locked."}}; };

    const struct {
        const char* place;
        QString shown, expected;
    } places[] = {
        {"Updates detail name", detail.nameLabel()->text(), "New Line"},
        {"Updates detail version", text::withoutIsolates(detail.value(1)->toPlainText()), "3.0 beta"},
        {"Updates detail path", text::withoutIsolates(detail.value(2)->toPlainText()), "/Applications/New Line.app"},
        {"quick Updates version", pane.rowFor(0)->findChildren<TintedLabel*>().value(1)->text(), "3.0 beta"},
        {"Network detail name", network.nameLabel()->text(), "New Line"},
        {"uninstall alert title", alert.findChildren<TintedLabel*>().value(0)->text(), "Uninstall New Line?"},
        {"failure alert text", apps::remainsFailureAlert({.failures = {failure(app->name()), failure("Old")}}).text,
         "New Line: Locked.\nOld: Locked."},
    };
    for (const auto& p : places)
        EXPECT_EQ(p.shown, p.expected) << p.place;
}
