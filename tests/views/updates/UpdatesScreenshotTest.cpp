#include "UpdatesFixture.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/PushButton.h"
#include "views/updates/UpdateDetail.h"
#include "views/updates/UpdateListRow.h"
#include "views/updates/UpdatesWorkspace.h"

#include <QLineEdit>
#include <QStackedWidget>

#include <iostream>

namespace tw::test {
namespace {

class UpdatesScreenshotTest : public UpdatesFixture {
protected:
    void save(QWidget* w, const QString& name) { ASSERT_TRUE(saveScreenshot(w, name)) << name.toStdString(); }
};

// The Updates tab in each theme after a check, with a row selected, then
// while a check runs and with nothing to show.
TEST_F(UpdatesScreenshotTest, UpdatesTabInEveryTheme)
{
    server.route("/figma.xml", Reply::ok(feed("125.0.2")));
    server.route("/rectangle.xml", Reply::ok(feed("0.85")));
    server.route("/slack.xml", Reply::ok(feed("4.42.1")));
    lookup("Spotify", storeAnswer("1.2.51.345", 7));
    makeApp("Figma", "124.6.5", "/figma.xml");
    makeApp("Rectangle", "0.85", "/rectangle.xml");
    makeApp("Slack", "4.41.105", "/slack.xml");
    makeApp("Obsidian", "1.7.7", "/gone.xml");
    makeApp("Spotify", "1.2.50.335", {}, true);
    makeApp("Visual Studio Code with a long name that does not fit", "1.95.3");
    makeApp("zoom.us", "");
    scan();
    UpdatesWorkspace ws(shell.env());
    pointAtServer(ws.state().checker());
    ws.resize(912, 680);
    ws.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ws));
    ASSERT_TRUE(finished(ws.state().checker()));
    ws.state().select(pathOf("Figma"));

    QHash<AppAppearance, QImage> shots;
    for (AppAppearance a : allCases<AppAppearance>()) {
        shell.state->theme().apply(a, true);
        save(&ws, "updates-" + rawValue(a) + ".png");
        shots.insert(a, ws.grab().toImage());
    }
    // The selected row is tinted; the others are not.
    auto* figma = qobject_cast<UpdateListRow*>(ws.list()->widgetFor(1));
    auto* rectangle = qobject_cast<UpdateListRow*>(ws.list()->widgetFor(3));
    ASSERT_TRUE(figma && rectangle);
    ASSERT_EQ(figma->item().name, "Figma");
    const QPoint inFigma = figma->mapTo(&ws, QPoint(figma->width() / 2, 4));
    const QPoint inRectangle = rectangle->mapTo(&ws, QPoint(rectangle->width() / 2, 4));
    for (const QImage& shot : shots)
        EXPECT_NE(pixel(shot, inFigma.x(), inFigma.y()), pixel(shot, inRectangle.x(), inRectangle.y()));
    // Light rows in the light theme, dark ones in the others.
    EXPECT_GT(luminance(pixel(shots[AppAppearance::classic], inRectangle.x(), inRectangle.y())), 200);
    EXPECT_LT(luminance(pixel(shots[AppAppearance::midnight], inRectangle.x(), inRectangle.y())), 80);

    shell.state->theme().apply(AppAppearance::midnight, true);
    server.route("/figma.xml", Reply::of(Reply::Mode::Hang));
    ws.state().checker().setRequestOptions({server.base(), std::chrono::seconds(5)});
    ws.state().check();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ws.state().checker().progressText().isEmpty(); }, 10000));
    save(&ws, "updates-midnight-checking.png");
    PushButton* button = ws.detailColumn()->button();
    EXPECT_EQ(button->text(), "\u2026");
    EXPECT_EQ(button->width(), button->sizeHint().width());  // narrowed to its new caption
    ws.state().check();  // ends the hanging request: the next check starts over
    server.route("/figma.xml", Reply::ok(feed("125.0.2")));
    ws.state().checker().setRequestOptions({server.base(), timeout});
    ws.state().check();
    ASSERT_TRUE(finished(ws.state().checker()));
    ws.state().toggleShowAll();
    QTest::keyClicks(ws.searchRow()->field(), "nothing like this");
    ASSERT_EQ(ws.region()->currentIndex(), int(UpdatesState::Region::empty));
    for (AppAppearance a : {AppAppearance::classic, AppAppearance::indigo}) {
        shell.state->theme().apply(a, true);
        save(&ws, "updates-" + rawValue(a) + "-empty.png");
    }
    std::cout << "screenshots in " << screenshotFolder().toStdString() << std::endl;
}

} // namespace
} // namespace tw::test
