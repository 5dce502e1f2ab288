#include "app/AppDelegate.h"
#include "app/CleanupOfferAlert.h"
#include "app/IconSidebar.h"
#include "app/PreferencesView.h"
#include "app/SheetOverlay.h"
#include "app/SweeplineApp.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/ByteFormat.h"
#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "state/Brand.h"
#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/MainWindowCloseGuard.h"
#include "state/MainWindowOpenBridge.h"
#include "state/SharedState.h"
#include "state/WindowNotices.h"
#include "support/AlertKeys.h"
#include "support/FakePrompter.h"
#include "support/FakeStatusArea.h"
#include "support/HostProgramParts.h"
#include "support/ProgramHarness.h"
#include "support/ShellHarness.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonPillButton.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/TypeScale.h"
#include "support/Awaited.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

RemainCleanupOffer offerFor(FakePlatform& fake, const QStringList& relative, std::int64_t bytesEach)
{
    RemainCleanupOffer offer;
    offer.appName = QStringLiteral("Sketchbook");
    offer.bundleIdentifier = QStringLiteral("com.example.sketchbook");
    offer.trashedAppPath = fake.tree().home() + QStringLiteral("/.Trash/Sketchbook.app");
    for (const QString& r : relative) {
        const QString path = fake.tree().library() + u'/' + r;
        fake.tree().writeSized(path, bytesEach);
        offer.leftovers << LeftoverFile::make({path, bytesEach, QStringLiteral("Caches")});
    }
    return offer;
}

QAbstractButton* buttonWithText(AlertDialog* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(ProgramEntry, CleanupOfferAlertRemovesTheLeftovers)
{
    Program p;
    p.startShown();
    p.fake.tree().makeTrash();
    const RemainCleanupOffer offer = offerFor(
        p.fake, {QStringLiteral("Caches/com.example.sketchbook"), QStringLiteral("Logs/Sketchbook.log")}, 1'500'000);
    p.navigation().setRemainOffer(offer);

    AlertDialog* box = p.app->offerAlert();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->isVisible(); }, 10000));
    EXPECT_EQ(box->prompt().title, "Sketchbook has been moved to Trash");
    EXPECT_EQ(box->prompt().text, "Tidewell detected " + byteformat::string(3'000'000)
                                          + " of remaining files (2 items).\n"
                                            "Would you like to remove the leftovers completely?");
    ASSERT_EQ(box->buttons().size(), 2);
    QAbstractButton* remove = buttonWithText(box, "Remove Remaining Files");
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(box->prompt().buttons[box->buttons().indexOf(remove)].role, PromptButton::Role::destructive);
    // Escape answers "Later".
    ASSERT_NE(buttonWithText(box, "Later"), nullptr);
    EXPECT_EQ(box->buttons()[box->prompt().cancelIndex()]->text(), "Later");

    // The items handed to the cleaner: one per leftover, selected, titled by the last path component.
    const QList<RemovableItem> items = cleanupofferalert::removableItems(offer);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].title, "com.example.sketchbook");
    EXPECT_EQ(items[1].title, "Sketchbook.log");
    EXPECT_EQ(items[1].subtitle, "Caches");
    EXPECT_EQ(items[1].category, "Caches");
    EXPECT_EQ(items[1].relatedPaths, QStringList{offer.leftovers[1]->path()});
    EXPECT_TRUE(items[0].isSelected);
    EXPECT_EQ(items[0].size, 1'500'000);

    remove->click();
    ASSERT_TRUE(drainScans(&p.app->scanner(), &p.app->cleaner()));
    // Both leftovers went to the Trash, the app's offers are suppressed, and the
    // window shows the remains.
    for (const LeftoverPtr& l : offer.leftovers)
        EXPECT_FALSE(p.fake.tree().exists(l->path())) << l->path().toStdString();
    EXPECT_TRUE(p.fake.tree().exists(p.fake.tree().home() + "/.Trash/Sketchbook.log"));
    EXPECT_TRUE(p.app->removalWatcher().isSuppressed("com.example.sketchbook"));
    EXPECT_EQ(p.navigation().tab(), SidebarTab::applications);
    EXPECT_EQ(p.navigation().appsSegment(), AppsSegment::remains);
    EXPECT_FALSE(p.navigation().remainOffer().has_value());
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.app->offerAlert() == nullptr; }, 10000));
    // Everything moved: nothing more to tell.
    EXPECT_TRUE(p.prompter->asked.isEmpty());
}

TEST(ProgramEntry, CleanupOfferTellsWhatCouldNotBeMoved)
{
    Program p;
    p.startShown();
    p.fake.tree().makeTrash();
    const RemainCleanupOffer offer = offerFor(p.fake,
                                              {QStringLiteral("Caches/a"), QStringLiteral("Caches/b"),
                                               QStringLiteral("Caches/c"), QStringLiteral("Caches/d"),
                                               QStringLiteral("Logs/ok.log")},
                                              1000);
    // Every move but the log's fails, and so does the administrator's move
    // it falls back to.
    p.fake.trash->fail = [](const QString& path) -> std::optional<Error> {
        if (path.endsWith(QLatin1String("ok.log")))
            return std::nullopt;
        if (path.endsWith(QLatin1String("/b")))
            return Error{kCocoaErrorDomain, 640, QStringLiteral("There isn’t enough space.")};
        return Error{kCocoaErrorDomain, 513, QStringLiteral("You don’t have permission.")};
    };
    p.fake.admin->result = Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    p.navigation().setRemainOffer(offer);
    p.app->answerOffer(true);
    ASSERT_TRUE(drainScans(&p.app->scanner(), &p.app->cleaner()));

    ASSERT_EQ(p.prompter->asked.size(), 1);
    const Prompt& alert = p.prompter->asked[0];
    EXPECT_EQ(alert.title, "Couldn’t remove");
    // Each path with its own failure's text.
    const QString cancelled = ": Uninstall cancelled — administrator permission is required to remove this item.";
    EXPECT_EQ(alert.text, offer.leftovers[0]->path() + cancelled + u'\n' + offer.leftovers[1]->path()
                              + ": There isn’t enough space.\n" + offer.leftovers[2]->path() + cancelled + u'\n'
                              + "…and 1 more.");
    // What failed stays where it was; the rest went; the offer is settled all the same.
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(p.fake.tree().exists(offer.leftovers[i]->path())) << i;
    EXPECT_FALSE(p.fake.tree().exists(offer.leftovers[4]->path()));
    EXPECT_TRUE(p.app->removalWatcher().isSuppressed("com.example.sketchbook"));
    EXPECT_FALSE(p.navigation().remainOffer().has_value());
}

TEST(ProgramEntry, FailureAlertNamesAtMostThreePaths)
{
    struct Case {
        int failed;
        int lines;
        QString last;
    };
    // The first path the safety test refused: it stands alone.
    for (const Case& c : {Case{1, 1, "/p0"}, Case{3, 3, "/p2: Administrator authorization failed."},
                          Case{4, 4, "…and 1 more."}, Case{12, 4, "…and 9 more."}}) {
        QList<RemovalFailure> failed;
        for (int i = 0; i < c.failed; ++i)
            failed << RemovalFailure{QStringLiteral("/p%1").arg(i), QStringLiteral("p%1").arg(i),
                                     i == 0 ? removal::refused()
                                            : Error{kAppErrorDomain, 4, "Administrator authorization failed."}};
        const Prompt alert = cleanupofferalert::failureAlert(failed);
        const QStringList lines = alert.text.split(u'\n');
        EXPECT_EQ(lines.size(), c.lines) << c.failed;
        EXPECT_EQ(lines.last(), c.last) << c.failed;
        EXPECT_EQ(lines.first(), "/p0");
        ASSERT_EQ(alert.buttons.size(), 1);
        EXPECT_EQ(alert.buttons[0].title, "OK");
    }
}

TEST(ProgramEntry, LaterOnlyOpensTheRemains)
{
    Program p;
    MainWindow* window = p.startShown();
    p.fake.tree().makeTrash();
    const RemainCleanupOffer offer = offerFor(p.fake, {QStringLiteral("Caches/com.example.sketchbook")}, 2000);
    window->hide();
    p.navigation().setRemainOffer(offer);
    AlertDialog* box = p.app->offerAlert();
    ASSERT_NE(box, nullptr);
    buttonWithText(box, "Later")->click();
    EXPECT_TRUE(p.fake.tree().exists(offer.leftovers[0]->path()));
    EXPECT_FALSE(p.app->removalWatcher().isSuppressed("com.example.sketchbook"));
    EXPECT_EQ(p.navigation().tab(), SidebarTab::applications);
    EXPECT_EQ(p.navigation().appsSegment(), AppsSegment::remains);
    EXPECT_FALSE(p.navigation().remainOffer().has_value());
    // The hidden window came forward for it.
    EXPECT_TRUE(window->isVisible());
}

TEST(ProgramEntry, EmptyOfferStillSuppressesAndOpensTheRemains)
{
    Program p;
    p.startShown();
    RemainCleanupOffer offer;
    offer.appName = QStringLiteral("Ghost");
    offer.bundleIdentifier = QStringLiteral("com.example.ghost");
    EXPECT_EQ(cleanupofferalert::message(offer),
              "Tidewell detected Zero KB of remaining files (0 items).\n"
              "Would you like to remove the leftovers completely?");
    p.navigation().setRemainOffer(offer);
    ASSERT_NE(p.app->offerAlert(), nullptr);
    // A newer offer replaces the one on screen.
    RemainCleanupOffer second = offer;
    second.id = QUuid::createUuid();
    second.appName = QStringLiteral("Phantom");
    p.navigation().setRemainOffer(second);
    AlertDialog* box = p.app->offerAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->prompt().title, "Phantom has been moved to Trash");
    buttonWithText(box, "Remove Remaining Files")->click();
    ASSERT_TRUE(drainScans(&p.app->scanner(), &p.app->cleaner()));
    EXPECT_TRUE(p.app->removalWatcher().isSuppressed("com.example.ghost"));
    EXPECT_EQ(p.navigation().appsSegment(), AppsSegment::remains);
    EXPECT_FALSE(p.navigation().remainOffer().has_value());
}

TEST(ProgramEntry, ClosingHidesAndReopeningBringsTheSameWindowBack)
{
    Program p;
    MainWindow* window = p.startShown();
    EXPECT_EQ(window->minimumSize(), QSize(1100, 680));
    window->resize(800, 500);
    EXPECT_GE(window->width(), 1100);
    EXPECT_GE(window->height(), 680);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(MainWindowCloseGuard::shared().isAttached(window));
    QPointer<MainWindow> guard(window);
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    EXPECT_FALSE(window->close());
    EXPECT_FALSE(window->isVisible());
    ASSERT_FALSE(guard.isNull());
    EXPECT_FALSE(AppDelegate::hasVisibleWindows());

    // The Dock-style reopen with no visible window brings the same window back.
    EXPECT_TRUE(p.app->delegate().applicationShouldHandleReopen(false));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(p.app->mainWindow(), window);

    // With no window at all the bridge makes a new one.
    delete window;
    p.navigation().openMainWindow(std::nullopt, false, false);
    ASSERT_NE(p.app->mainWindow(), nullptr);
    EXPECT_TRUE(p.app->mainWindow()->isVisible());
}

TEST(ProgramEntry, StartupHooksRunOnEveryShowingButNotOnARebuild)
{
  {
    Program p(false);
    EXPECT_FALSE(p.app->removalWatcher().isReady());
    MainWindow* window = p.startShown();
    EXPECT_EQ(p.menuBarInstalls, 1);
    // Started; ready once its first snapshot, read on the pool, arrives.
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.app->removalWatcher().isReady(); }, 10000));
    EXPECT_TRUE(p.app->removalWatcher().isTimerActive());
    EXPECT_EQ(p.loginItemEnables, 0);  // run-in-background is off

    // Setting the language, even to the current one, rebuilds the content only.
    QPointer<MainView> before = window->mainView();
    const QString identity = window->identity();
    EXPECT_EQ(identity, "system-0");
    p.app->state().language().setLanguage(AppLanguage::system);
    EXPECT_TRUE(before.isNull());
    ASSERT_NE(window->mainView(), nullptr);
    EXPECT_TRUE(window->mainView()->isVisible());
    EXPECT_EQ(window->identity(), "system-1");
    p.app->state().language().setLanguage(AppLanguage::fr);
    EXPECT_EQ(window->identity(), "fr-2");
    EXPECT_EQ(window->mainView()->sidebar()->pill(SidebarTab::system)->title(), QStringLiteral("Système"));
    EXPECT_EQ(p.menuBarInstalls, 1);

    window->hide();
    window->show();
    EXPECT_EQ(p.menuBarInstalls, 2);

    // The detection switch stops the watcher's poll at once; switched on, the
    // watcher re-reads the folders first, so an application removed meanwhile
    // raises no offer.
    p.app->state().settings().setDetectTrashRemovals(false);
    EXPECT_FALSE(p.app->removalWatcher().isTimerActive());
    const QString bundle = p.fake.tree().makeApp(QStringLiteral("/Applications/Gone.app"),
                                                 QStringLiteral("com.example.gone"), QStringLiteral("Gone"));
    p.app->state().settings().setDetectTrashRemovals(true);
    EXPECT_TRUE(p.app->removalWatcher().isTimerActive());
    // The rebuild runs after any read under way; when none runs, it has landed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.app->removalWatcher().isReading(); }, 10000));
    EXPECT_TRUE(p.app->removalWatcher().knownApps().contains(bundle));

    // The program's own uninstall is announced to the watcher before anything moves.
    AppFields f;
    f.name = QStringLiteral("Gone");
    f.bundleIdentifier = QStringLiteral("com.example.gone");
    f.path = bundle;
    p.fake.tree().makeTrash();
    const auto result = uninstalled(p.app->scanner(), AppInfo::make(f), {}, BundleRemoval::MoveToTrash);
    EXPECT_TRUE(result.status.ok());
    // The pass's result is delivered and judged before the check: it starts no offer attempt.
    QSignalSpy delivered(&p.app->removalWatcher(), &AppRemovalWatcher::pollDelivered);
    QSignalSpy attempts(&p.app->removalWatcher(), &AppRemovalWatcher::offerAttemptStarted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.app->removalWatcher().isReading(); }, 10000));
    ASSERT_TRUE(p.app->removalWatcher().poll());
    ASSERT_TRUE(delivered.wait(10000));
    EXPECT_TRUE(attempts.isEmpty());
    drainScans(&p.app->scanner(), &p.app->cleaner());
    EXPECT_FALSE(p.navigation().remainOffer().has_value());
  }
    // With run-in-background on, each showing registers the login item.
    Program q(true);
    q.startShown();
    EXPECT_EQ(q.loginItemEnables, 1);
}

TEST(ProgramEntry, PreferencesSheetWritesItsSwitchesAtOnce)
{
    Program p;
    p.fake.settings.setValue(AppSettings::showMenuBarPreviewKey, false);
    p.fake.settings.setValue(AppSettings::detectTrashRemovalsKey, false);
    // A fresh program reads the stored switches.
    p.app.reset();
    p.app = std::make_unique<SweeplineApp>(p.fake.platform(), p.parts());
    p.app->setPrompter(std::make_unique<FakePrompter>());
    MainWindow* window = p.startShown();

    // The command carries the platform's preferences shortcut and opens the sheet.
    EXPECT_EQ(p.app->preferencesAction()->text(), QStringLiteral("Preferences…"));
    EXPECT_FALSE(p.app->preferencesAction()->shortcut().isEmpty());
    p.app->preferencesAction()->trigger();
    PreferencesView* sheet = window->preferences();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->size(), QSize(460, 280));
    EXPECT_FALSE(sheet->menuBarSwitch()->isChecked());
    EXPECT_FALSE(sheet->trashSwitch()->isChecked());
    EXPECT_EQ(PreferencesView::menuBarTitle(), "Show Tidewell in the menu bar");

    QTest::mouseClick(sheet->menuBarSwitch(), Qt::LeftButton);
    EXPECT_TRUE(p.fake.settings.value(AppSettings::showMenuBarPreviewKey).toBool());
    EXPECT_TRUE(p.app->state().settings().showMenuBarPreview());
    QTest::mouseClick(sheet->trashSwitch(), Qt::LeftButton);
    EXPECT_TRUE(p.fake.settings.value(AppSettings::detectTrashRemovalsKey).toBool());
    QTest::mouseClick(sheet->trashSwitch(), Qt::LeftButton);
    EXPECT_FALSE(p.fake.settings.value(AppSettings::detectTrashRemovalsKey).toBool());
    // A change made elsewhere shows on the open sheet.
    p.app->state().settings().setShowMenuBarPreview(false);
    EXPECT_FALSE(sheet->menuBarSwitch()->isChecked());

    // Done closes it and the navigation forgets it; Return does the same.
    QTest::mouseClick(sheet->doneButton(), Qt::LeftButton);
    EXPECT_FALSE(p.navigation().showPreferences());
    EXPECT_FALSE(window->sheetOverlay()->isVisible());
    p.navigation().setShowPreferences(true);
    ASSERT_NE(window->preferences(), nullptr);
    QTest::keyClick(window->preferences(), Qt::Key_Return);
    EXPECT_FALSE(p.navigation().showPreferences());

    // The title is dark grey on the light sheet and white on the dark ones.
    EXPECT_EQ(PreferencesView::titleColour(AppAppearance::classic), neon::rgb(0.22, 0.22, 0.24));
    EXPECT_EQ(PreferencesView::titleColour(AppAppearance::indigo), QColor(Qt::white));
}

// Each switch's title shows whole within the sheet: one too long for a line
// wraps, as the descriptions do, and the rows still fit the sheet.
TEST(ProgramEntry, PreferencesSheetShowsEachTitleWhole)
{
    ShellHarness h;
    PreferencesView sheet(h.state->settings(), {});
    sheet.resize(PreferencesView::sheetWidth(), PreferencesView::sheetHeight());
    const QFont font = typescale::font(TextRole::rowTitle);
    const QFontMetricsF metrics(font);
    const QString titles[] = {PreferencesView::menuBarTitle(), PreferencesView::trashTitle()};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(titles[i].toStdString());
        const QRectF place = sheet.titleRect(i);
        EXPECT_TRUE(QRectF(sheet.rect()).contains(place));
        // Room for every line the title takes in that width.
        QTextLayout layout(titles[i], font);
        layout.beginLayout();
        int lines = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine(), ++lines)
            line.setLineWidth(place.width());
        layout.endLayout();
        EXPECT_GE(place.height(), metrics.height() + (lines - 1) * metrics.lineSpacing()) << lines << " lines";
    }
    EXPECT_LE(sheet.trashSwitch()->geometry().bottom(), PreferencesView::sheetHeight() - 16);
}

TEST(ProgramEntry, CommandsAndTheAboutBox)
{
    Program p;
    p.startShown();
    QStringList texts;
    for (QAction* a : p.app->commands())
        texts << a->text();
    EXPECT_EQ(texts, (QStringList{"About Tidewell", "Preferences…", "Marrowind Website", "Support", "Quit Tidewell"}));

    p.app->websiteAction()->trigger();
    p.app->supportAction()->trigger();
    ASSERT_EQ(p.fake.workspace.openedUrls.size(), 2u);
    EXPECT_EQ(p.fake.workspace.openedUrls[0], brand::websiteURL());
    EXPECT_EQ(p.fake.workspace.openedUrls[1], brand::supportURL());

    // The About box: the program's icon, its texts and two buttons, "OK"
    // rightmost and the default; "Visit Website" opens the site, "OK" and
    // Escape do nothing more.
    p.prompter->script = {QStringLiteral("Visit Website"), QStringLiteral("OK")};
    p.app->aboutAction()->trigger();
    ASSERT_EQ(p.prompter->asked.size(), 1);
    const Prompt about = p.prompter->asked[0];
    EXPECT_EQ(about.style, Prompt::Style::informational);
    EXPECT_EQ(about.title, "Tidewell");
    EXPECT_TRUE(about.text.startsWith("App uninstaller and Mac cleanup utility.\n\n"));
    EXPECT_TRUE(about.text.contains("Marrowind"));
    EXPECT_TRUE(about.text.contains(brand::websiteHost()));
    EXPECT_TRUE(about.text.endsWith("Bundle ID: " + SweeplineApp::bundleIdentifier()));
    ASSERT_EQ(about.buttons.size(), 2);
    EXPECT_EQ(about.buttons[0].title, "OK");
    EXPECT_EQ(about.buttons[0].role, PromptButton::Role::defaultAction);
    EXPECT_EQ(about.buttons[1].title, "Visit Website");
    EXPECT_EQ(about.cancelIndex(), 0);
    ASSERT_FALSE(about.icon.isNull());
    EXPECT_EQ(about.icon.pixmap(64).toImage(), SweeplineApp::icon().pixmap(64).toImage());
    ASSERT_EQ(p.fake.workspace.openedUrls.size(), 3u);
    EXPECT_EQ(p.fake.workspace.openedUrls[2], brand::websiteURL());
    p.app->showAbout();
    p.app->showAbout();  // the script is used up: the cancel answer, which is "OK"
    EXPECT_EQ(p.prompter->asked.size(), 3);
    EXPECT_EQ(p.fake.workspace.openedUrls.size(), 3u);
}

// The program's own prompter, the one every tab and pane asks through, puts
// up the kit's alert: Return and Enter reach it there.
TEST(ProgramEntry, ItsOwnPrompterShowsTheKitsAlert)
{
    FakePlatform fake;
    HostProgramParts host(fake);
    SweeplineApp app(fake.platform(), host.parts());
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::KeyboardModifiers()},
                                         std::pair{Qt::Key_Enter, Qt::KeyboardModifiers(Qt::KeypadModifier)}}) {
        AlertKeys keys(key, modifiers);
        app.aboutAction()->trigger();
        EXPECT_EQ(keys.answered, QStringList{"Tidewell"});
    }
    EXPECT_TRUE(fake.workspace.openedUrls.empty()) << "Return visited the website";
}

// The kit's style is in place from the program's start-up on, with a hook in
// place of the menu bar too: a floating window that shares the activation
// counts as active.
TEST(ProgramEntry, TheStartUpPutsTheKitsStyleInPlace)
{
    QWidget floating;
    keyfocus::shareActivation(&floating, true);
    const auto shares = [&] { return QApplication::style()->styleHint(QStyle::SH_Widget_ShareActivation, nullptr, &floating); };
    if (shares() != 0)
        GTEST_SKIP() << "an earlier test in this process put the style in place";
    Program p;
    EXPECT_EQ(shares(), 1);
}

TEST(ProgramEntry, WithoutHooksTheProgramUsesThePartsItWasHanded)
{
    FakePlatform fake;
    fake.settings.setValue(QStringLiteral("settings.runInBackground"), true);
    HostProgramParts host(fake);
    FakeStatusArea area;
    ProgramParts parts = host.parts();
    parts.statusArea = &area;
    auto app = std::make_unique<SweeplineApp>(fake.platform(), parts);
    app->setPrompter(std::make_unique<FakePrompter>());
    ASSERT_NE(app->menuBarController(), nullptr);
    // Nothing samples until something shows the monitor.
    EXPECT_FALSE(host.monitor.isSampling());
    EXPECT_EQ(host.monitor.passCount(), 0u);

    app->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->mainWindow()));
    // The window opens on the System tab: the handed monitor starts.
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.monitor.passCount() >= 1; }, 10000));
    // The handed permissions register the login item, in the fake home.
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.permissions.isEnabled(); }, 10000));
    const auto folder = fake.fs().list(fake.tree().home() + QStringLiteral("/.config/autostart"));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->size(), 1u);
    // The controller puts its item in the handed status area.
    EXPECT_TRUE(QTest::qWaitFor([&] { return area.added >= 1; }, 10000));

    drainScans(&app->scanner(), &app->cleaner());
    app.reset();
    // The System tab's maker held this program's parts: it goes with it.
    EXPECT_FALSE(WorkspaceFactories::get(SidebarTab::system));
}
