#include "engine/updates/StoreLookup.h"
#include "menubar/CategoryQuickPanel.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/PopoverWindow.h"
#include "menubar/PreviewCard.h"
#include "menubar/PreviewHeader.h"
#include "views/kit/TextButton.h"

#include "menubar/MenuBarRig.h"
#include "menubar/SidePanel.h"
#include "menubar/StatusGlyph.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QVBoxLayout>

using namespace tw;
using namespace tw::test;

namespace {

QString feedURL(const QString& name)
{
    return QStringLiteral("https://feeds.example/") + name + QStringLiteral(".xml");
}

HttpResponse feedOffering(const QString& version)
{
    return answer(QStringLiteral("<rss><item><enclosure url=\"https://example.com/App-%1.zip\" sparkle:version=\"%1\" "
                                 "sparkle:shortVersionString=\"%1\"/></item></rss>")
                      .arg(version)
                      .toUtf8());
}

// An application whose update feed the canned server answers with version offered.
AppInfoPtr feedApp(MenuBarRig& r, const QString& name, std::optional<QString> offered)
{
    if (offered)
        r.http.answers.insert(feedURL(name), feedOffering(*offered));
    return appIn(r.shell.fake, name, QStringLiteral("1.0"), {{QStringLiteral("SUFeedURL"), feedURL(name)}});
}

AppInfoPtr storeApp(MenuBarRig& r, const QString& name, const QString& offered)
{
    AppInfoPtr app = appIn(r.shell.fake, name);
    r.shell.fake.tree().write(app->path() + QStringLiteral("/Contents/_MASReceipt/receipt"), "receipt");
    const QUrl lookup = *appstore::appStoreLookupURL(QUrl(QStringLiteral("https://itunes.apple.com")),
                                                     app->bundleIdentifier());
    r.http.answers.insert(lookup.toString(),
                          answer(QStringLiteral("{\"results\":[{\"version\":\"%1\",\"trackId\":42}]}").arg(offered).toUtf8()));
    return app;
}

void waitForCheck(MenuBarRig& r)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.c().updateChecker().items().isEmpty() && !r.c().updateChecker().isChecking(); },
                                10000));
    settle();
}

QAction* action(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

// A main window as openMainWindow looks for one: large, with content.
struct MainWindowStandIn {
    QWidget window;
    MainWindowStandIn()
    {
        window.resize(1100, 680);
        (new QVBoxLayout(&window))->addWidget(new QWidget);
    }
};

} // namespace

TEST(MenuBarController, BadgeCountsTheOwnCheckersUpdatesAndNeverTheRemains)
{
    MenuBarRig r;
    const QList<AppInfoPtr> apps{feedApp(r, QStringLiteral("Writer"), QStringLiteral("2.0")),
                                 feedApp(r, QStringLiteral("Painter"), QStringLiteral("3.1")),
                                 storeApp(r, QStringLiteral("Shop"), QStringLiteral("4.0")),
                                 feedApp(r, QStringLiteral("Current"), QStringLiteral("1.0")),
                                 feedApp(r, QStringLiteral("Offline"), std::nullopt),
                                 appIn(r.shell.fake, QStringLiteral("Plain")),
                                 record(QStringLiteral("Finder"), 10, true)};
    r.shell.cleaner->setRemainingFiles(QList<RemovableItem>(12));
    r.install();
    ASSERT_NE(r.area.item, nullptr);
    EXPECT_EQ(r.c().badgeTitle(), "");
    EXPECT_EQ(r.area.item->toolTip, "Tidewell — Quick Preview");
    const int glyphWidth = r.area.item->image.width();

    r.shell.scanner->setApps(apps);
    waitForCheck(r);
    QStringList states;
    for (const AppUpdateItem& row : r.c().updateChecker().items())
        states << row.name + u'=' + row.availability.describe().section(u'(', 0, 0);
    EXPECT_EQ(states.size(), 6) << states.join(u' ').toStdString();  // the system application has no row
    EXPECT_EQ(r.c().badgeTitle(), " 3") << states.join(u' ').toStdString();
    // The number is drawn on the glyph, which keeps its size: a tray fits a wider picture into its square slot.
    EXPECT_EQ(r.area.item->image.width(), glyphWidth);
    EXPECT_NE(r.area.item->image, statusglyph::image(r.area.item->image.devicePixelRatio()));

    r.shell.cleaner->setRemainingFiles(QList<RemovableItem>(40));
    settle();
    EXPECT_EQ(r.c().badgeTitle(), " 3");
}

TEST(MenuBarController, NoUpdatesLeaveTheBadgeEmptyWhateverTheRemains)
{
    MenuBarRig r;
    r.shell.cleaner->setRemainingFiles(QList<RemovableItem>(12));
    r.install();
    r.shell.scanner->setApps({feedApp(r, QStringLiteral("Current"), QStringLiteral("1.0")),
                              appIn(r.shell.fake, QStringLiteral("Plain"))});
    waitForCheck(r);
    EXPECT_EQ(r.c().badgeTitle(), "");
    EXPECT_EQ(r.area.item->image.width(), statusglyph::image(r.area.item->image.devicePixelRatio()).width());
    EXPECT_EQ(statusglyph::badgeTitle(0), "");
    EXPECT_EQ(statusglyph::badgeTitle(-1), "");
    EXPECT_EQ(statusglyph::badgeTitle(12), " 12");
}

TEST(MenuBarController, TheSettingCreatesAndRemovesTheItem)
{
    MenuBarRig r;
    r.settings().setShowMenuBarPreview(false);
    r.install();
    EXPECT_EQ(r.area.item, nullptr);
    EXPECT_EQ(r.area.added, 0);

    // From the preferences, or anywhere the setting changes.
    r.settings().setShowMenuBarPreview(true);
    EXPECT_EQ(r.area.item, nullptr);  // delivered on the next turn of the event loop
    settle();
    ASSERT_NE(r.area.item, nullptr);
    EXPECT_EQ(r.area.added, 1);
    EXPECT_GT(r.area.item->imageChanges, 0);

    // Hidden from the context menu: everything closes, the item goes and the setting is stored.
    r.click();
    r.navigation().setMenuCategory(SidebarTab::system);
    ASSERT_TRUE(r.c().isPopoverShown());
    r.click(StatusItem::Click::context);
    ASSERT_NE(r.c().contextMenu(), nullptr);
    action(r.c().contextMenu(), "Hide Menu Bar Icon")->trigger();
    settle();
    EXPECT_EQ(r.area.item, nullptr);
    EXPECT_EQ(r.area.removed, 1);
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);
    EXPECT_FALSE(r.shell.fake.settings.boolValue(AppSettings::showMenuBarPreviewKey));

    // The menu then offers to show it; shown again, it has the current badge.
    r.c().showContextMenu();
    EXPECT_NE(action(r.c().contextMenu(), "Show Menu Bar Icon"), nullptr);
    r.c().contextMenu()->close();
    r.c().toggleMenuBarPref();
    settle();
    ASSERT_NE(r.area.item, nullptr);
    EXPECT_EQ(r.area.added, 2);
    EXPECT_FALSE(r.area.item->image.isNull());

    // Installing again subscribes nothing twice and makes no second item.
    r.install();
    r.settings().setShowMenuBarPreview(false);
    settle();
    r.settings().setShowMenuBarPreview(true);
    settle();
    EXPECT_EQ(r.area.added, 3);
    EXPECT_EQ(r.area.removed, 2);
}

TEST(MenuBarController, TheBackgroundCheckStartsOnceAfterTheFirstApplications)
{
    MenuBarRig r;
    r.install();
    r.shell.scanner->setApps({});
    settle();
    EXPECT_FALSE(r.c().updateChecker().isChecking());
    EXPECT_TRUE(r.http.asked.isEmpty());

    const AppInfoPtr writer = feedApp(r, QStringLiteral("Writer"), QStringLiteral("2.0"));
    r.http.hold = true;  // the check runs until its answer is let go
    r.shell.scanner->setApps({writer});
    settle();
    EXPECT_TRUE(r.c().updateChecker().isChecking());
    // A rescan while the check runs does not restart it.
    r.shell.scanner->setApps({writer, feedApp(r, QStringLiteral("Painter"), QStringLiteral("2.0"))});
    settle();
    r.http.release();
    waitForCheck(r);
    EXPECT_EQ(r.http.asked, QStringList{feedURL("Writer")});
    EXPECT_EQ(r.c().updateChecker().items().size(), 1);

    // Nor does one after it, while the checker holds rows.
    r.shell.scanner->setApps({writer, record(QStringLiteral("Other"), 5)});
    settle();
    EXPECT_FALSE(r.c().updateChecker().isChecking());
    EXPECT_EQ(r.http.asked.size(), 1);
}

TEST(MenuBarController, ClicksToggleThePreviewAndThePinKeepsItOpen)
{
    MenuBarRig r;
    r.install();
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    EXPECT_EQ(r.c().popover()->windowType(), Qt::Popup);
    EXPECT_FALSE(r.c().preview()->isPinned());
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());

    // Pinned: closed and opened again as a window that stays, with a new preview.
    QPointer<MenuBarQuickPreview> first = r.c().preview();
    EXPECT_EQ(first->header().pinSymbol(), "pin");
    EXPECT_EQ(first->header().help(PreviewHeader::Button::pin), "Keep on top");
    first->press(PreviewHeader::Button::pin);
    EXPECT_TRUE(r.c().isPinned());
    ASSERT_TRUE(r.c().isPopoverShown());
    EXPECT_EQ(r.c().popover()->windowType(), Qt::Tool);
    EXPECT_TRUE(r.c().popover()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    MenuBarQuickPreview* pinned = r.c().preview();
    EXPECT_NE(pinned, first.data());
    EXPECT_TRUE(pinned->isPinned());
    EXPECT_EQ(pinned->header().pinSymbol(), "pin.fill");
    EXPECT_EQ(pinned->header().help(PreviewHeader::Button::pin), "Unpin");
    settle();
    EXPECT_TRUE(first.isNull());

    // A click on the item leaves a pinned preview open.
    r.click();
    EXPECT_TRUE(r.c().isPopoverShown());
    // Its close button closes it; the pin stays for the next showing.
    pinned->press(PreviewHeader::Button::close);
    EXPECT_FALSE(r.c().isPopoverShown());
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    EXPECT_TRUE(r.c().preview()->isPinned());

    // Unpinned: open again as the popup that the next click closes.
    r.c().preview()->press(PreviewHeader::Button::pin);
    EXPECT_FALSE(r.c().isPinned());
    ASSERT_TRUE(r.c().isPopoverShown());
    EXPECT_EQ(r.c().popover()->windowType(), Qt::Popup);
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());
}

TEST(MenuBarController, AClickRightAfterAnOutsideClickLeavesThePreviewClosed)
{
    MenuBarRig r;
    r.install();
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    // The desktop closes the popup on the press of a click outside it, here
    // the click on the item itself.
    r.c().popover()->close();
    EXPECT_FALSE(r.c().isPopoverShown());
    r.ms += 120;
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());
    // The next click opens it.
    r.click();
    EXPECT_TRUE(r.c().isPopoverShown());

    // Later clicks open it as usual; closing it ourselves guards nothing.
    r.c().popover()->close();
    r.ms += MenuBarController::reopenGuardMs + 1;
    r.click();
    EXPECT_TRUE(r.c().isPopoverShown());
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());
    r.click();
    EXPECT_TRUE(r.c().isPopoverShown());
}

TEST(MenuBarController, AClickExactlyAtTheGuardsEndReopensThePreview)
{
    MenuBarRig r;
    r.install();
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    // Closed by a click outside; the guard covers times short of its end only.
    r.c().popover()->close();
    r.ms += MenuBarController::reopenGuardMs;
    r.click();
    EXPECT_TRUE(r.c().isPopoverShown());

    r.c().popover()->close();
    r.ms += MenuBarController::reopenGuardMs - 1;
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());
}

TEST(MenuBarController, CloseEverythingClearsTheCategoryAndHidesBoth)
{
    MenuBarRig r;
    r.install();
    r.click();
    r.c().preview()->choose(SidebarTab::network);
    EXPECT_EQ(r.navigation().menuCategory(), SidebarTab::network);
    EXPECT_EQ(r.navigation().tab(), SidebarTab::network);
    ASSERT_NE(r.c().panel(), nullptr);
    EXPECT_TRUE(r.c().panel()->isVisible());

    r.c().preview()->press(PreviewHeader::Button::close);
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_FALSE(r.c().panel()->isVisible());

    // The same from the panel's "Open in App": the main window on that tab.
    MainWindowStandIn main;
    r.click();
    r.c().preview()->choose(SidebarTab::system);
    r.navigation().setTab(SidebarTab::theme);
    r.c().categoryPanel()->openInApp()->click();
    EXPECT_TRUE(main.window.isVisible());
    EXPECT_EQ(r.navigation().tab(), SidebarTab::system);
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);
    EXPECT_FALSE(r.c().panel()->isVisible());
    EXPECT_FALSE(r.c().isPopoverShown());
}

TEST(MenuBarController, ContextMenuReachesTheMainWindowAndQuits)
{
    MenuBarRig r;
    r.install();
    MainWindowStandIn main;
    r.click(StatusItem::Click::context);
    QMenu* menu = r.c().contextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    QStringList titles;
    for (QAction* a : menu->actions())
        titles << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(titles, QStringList({"Open Tidewell", "Preferences…", "-", "Hide Menu Bar Icon", "-", "Quit"}));
    EXPECT_FALSE(action(menu, "Preferences…")->shortcut().isEmpty());
    EXPECT_FALSE(action(menu, "Quit")->shortcut().isEmpty());

    // "Open Tidewell" brings the main window and closes the preview.
    r.click();
    r.navigation().setMenuCategory(SidebarTab::updates);
    action(menu, "Open Tidewell")->trigger();
    EXPECT_TRUE(main.window.isVisible());
    EXPECT_FALSE(r.navigation().showPreferences());
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);

    // "Preferences…" asks for the sheet before the window comes forward.
    main.window.hide();
    bool askedFirst = false;
    QObject::connect(&r.navigation(), &AppNavigation::showPreferencesChanged, &main.window,
                     [&] { askedFirst = !main.window.isVisible(); });
    r.c().showContextMenu();
    action(r.c().contextMenu(), "Preferences…")->trigger();
    EXPECT_TRUE(r.navigation().showPreferences());
    EXPECT_TRUE(askedFirst);
    EXPECT_TRUE(main.window.isVisible());

    r.c().showContextMenu();
    action(r.c().contextMenu(), "Quit")->trigger();
    EXPECT_EQ(r.quits, 1);
    settle();
}

TEST(MenuBarController, AThemeChangeShowsAnOpenPreviewAgainAndRecoloursThePanel)
{
    MenuBarRig r;
    r.install();
    r.click();
    r.c().preview()->choose(SidebarTab::system);
    QPointer<MenuBarQuickPreview> before = r.c().preview();
    QPointer<QWidget> panelContent = r.c().panel()->content();
    EXPECT_EQ(r.c().panel()->chrome(), AppTheme::cardFill(AppAppearance::midnight));

    r.theme().apply(AppAppearance::classic, true);
    settle();
    EXPECT_TRUE(r.c().isPopoverShown());
    EXPECT_NE(r.c().preview(), before.data());
    EXPECT_EQ(r.c().panel()->chrome(), MenuBarController::panelChrome(AppAppearance::classic, AppAppearance::classic));
    EXPECT_NE(r.c().panel()->chrome(), AppTheme::cardFill(AppAppearance::classic));
    // The panel's content stays; the selection too.
    EXPECT_EQ(r.c().panel()->content(), panelContent.data());
    EXPECT_EQ(r.navigation().menuCategory(), SidebarTab::system);
    EXPECT_TRUE(r.c().preview()->card(SidebarTab::system).isSelected());

    // Closed, a theme change shows nothing.
    r.c().closePopover();
    r.theme().apply(AppAppearance::indigo, true);
    settle();
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_EQ(r.c().panel()->chrome(), AppTheme::cardFill(AppAppearance::indigo));
}

TEST(MenuBarController, PanelChromeFollowsTheManagerThenTheStoredTheme)
{
    const QColor light = AppTheme::panelBase(AppAppearance::classic);
    struct Case {
        AppAppearance managed, stored;
        QColor expected;
    };
    const Case cases[] = {
        {AppAppearance::classic, AppAppearance::midnight, light},
        {AppAppearance::classic, AppAppearance::indigo, light},
        {AppAppearance::midnight, AppAppearance::midnight, QColor::fromRgbF(0.07f, 0.12f, 0.22f)},
        {AppAppearance::indigo, AppAppearance::indigo, QColor::fromRgbF(0.07f, 0.10f, 0.17f)},
        {AppAppearance::midnight, AppAppearance::classic, Qt::white},
        {AppAppearance::indigo, AppAppearance::midnight, QColor::fromRgbF(0.07f, 0.12f, 0.22f)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MenuBarController::panelChrome(c.managed, c.stored).rgba(), c.expected.rgba())
            << rawValue(c.managed).toStdString() << '/' << rawValue(c.stored).toStdString();
}

TEST(MenuBarController, EnginesGoneShowNothing)
{
    MenuBarRig r;
    r.install();
    r.click();
    r.c().preview()->choose(SidebarTab::startup);
    drainScans(r.shell.scanner.get(), r.shell.cleaner.get());
    r.shell.cleaner.reset();
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_EQ(r.c().preview(), nullptr);
    EXPECT_EQ(r.c().categoryPanel(), nullptr);
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());
    // The category still reaches the main window's tab.
    r.c().showCategoryPanel(SidebarTab::extensions);
    EXPECT_EQ(r.navigation().tab(), SidebarTab::extensions);
    EXPECT_FALSE(r.c().panel()->isVisible());
}

TEST(MenuBarController, WithoutAClockOfItsOwnTheGuardReadsThePlatformsClock)
{
    MenuBarRig r;
    r.controller = std::make_unique<MenuBarController>(
        MenuBarController::Services{r.area, *r.checkerPlatform, [&r]() -> SystemMonitor& { return r.monitor; },
                                    [&r]() -> Prompter& { return r.shell.prompter; }, [&r] { ++r.quits; }, nullptr},
        r.settings(), r.navigation(), r.theme());
    r.install();
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    r.c().popover()->close();
    // The rig's own time moves; the platform's does not: still guarded.
    r.ms += MenuBarController::reopenGuardMs + 1;
    r.click();
    EXPECT_FALSE(r.c().isPopoverShown());

    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    r.c().popover()->close();
    r.shell.fake.clock.steady += std::chrono::milliseconds(MenuBarController::reopenGuardMs);
    r.click();
    EXPECT_TRUE(r.c().isPopoverShown());
}

TEST(MenuBarController, AHeldPreviewIsMadeAheadOnlyOnceLetGo)
{
    MenuBarRig r;
    r.c().holdPreparedPreview(true);
    r.install();
    EXPECT_TRUE(r.c().popover()->findChildren<MenuBarQuickPreview*>().isEmpty());
    // A click while held still shows a preview, made there and then.
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    ASSERT_NE(r.c().preview(), nullptr);
    r.c().closePopover();
    settle();
    EXPECT_EQ(r.c().popover()->findChildren<MenuBarQuickPreview*>().size(), 1);  // the one shown, put away

    r.c().holdPreparedPreview(false);
    settle();
    const QList<MenuBarQuickPreview*> made = r.c().popover()->findChildren<MenuBarQuickPreview*>();
    ASSERT_EQ(made.size(), 2);
    EXPECT_TRUE(std::any_of(made.begin(), made.end(), [](const MenuBarQuickPreview* p) { return p->isHidden(); }));
}
