#include "menubar/MenuBarQuickPreview.h"
#include "menubar/MenuBarRig.h"
#include "menubar/PreviewCard.h"
#include "menubar/PreviewHeader.h"
#include "views/kit/MonitorWidgets.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace tw;
using namespace tw::test;

namespace {

RemovableItem startupItem(const QString& title, bool enabled)
{
    RemovableItem item;
    item.title = title;
    item.path = QStringLiteral("/Library/LaunchAgents/") + title + QStringLiteral(".plist");
    item.isEnabled = enabled;
    return item;
}

AppInfoPtr group(const QString& name, std::int64_t ownSize, std::vector<AppInfoPtr> members)
{
    AppInfoPtr g = record(name, ownSize);
    g->setMembers(std::move(members));
    return g;
}

// What the preview's callbacks were called with, in order.
struct Calls {
    QStringList log;
    QuickPreviewCallbacks callbacks()
    {
        return {[this] { log << "close"; }, [this](SidebarTab tab) { log << "select " + rawValue(tab); },
                [this] { log << "dismiss"; }, [this] { log << "pin"; }};
    }
};

struct PreviewRig : MenuBarRig {
    Calls calls;
    QuickPreviewSources sources()
    {
        return {*shell.scanner, *shell.cleaner, c().updateChecker(), settings(), navigation(), monitor, theme()};
    }
    std::unique_ptr<MenuBarQuickPreview> make(bool pinned = false)
    {
        return std::make_unique<MenuBarQuickPreview>(sources(), calls.callbacks(), pinned);
    }
};

} // namespace

TEST(PreviewFigures, CountsSizesAndPercents)
{
    // Groups count their members one by one, once; system applications never.
    const QList<AppInfoPtr> apps{
        record(QStringLiteral("Writer"), 2'000'000'000),
        group(QStringLiteral("Suite"), 1'000,
              {record(QStringLiteral("Sheets"), 3'000'000'000), record(QStringLiteral("Slides"), 4'000'000'000),
               record(QStringLiteral("Docs"), 3'350'000'000)}),
        record(QStringLiteral("Finder"), 50, true),
    };
    const QList<AppInfoPtr> installed = PreviewFigures::installed(apps);
    QStringList names;
    for (const AppInfoPtr& app : installed)
        names << app->name();
    EXPECT_EQ(names, QStringList({"Writer", "Sheets", "Slides", "Docs"}));
    // The total takes every top-level entry as it stands: the group through
    // its display size, the system application too.
    EXPECT_EQ(PreviewFigures::total(apps), 2'000'000'000 + 10'350'000'000 + 50);
    EXPECT_EQ(PreviewFigures::total({}), 0);

    PreviewFigures f;
    f.installedApps = 42;
    f.totalSize = 12'350'000'000;
    EXPECT_EQ(f.installedLine(), "Installed: 42 apps at 12.35 GB");
    EXPECT_EQ(PreviewFigures{}.installedLine(), "Installed: 0 apps at Zero KB");

    EXPECT_EQ(PreviewFigures::active({startupItem("a", true), startupItem("b", false), startupItem("c", true)}), 2);

    struct Percent {
        double used, total, expected;
    };
    for (const Percent& p : {Percent{4, 0, 0}, Percent{9, 8, 100}, Percent{2, 8, 25}, Percent{0, 8, 0}})
        EXPECT_EQ(monitorstyle::usedPercent(p.used, p.total), p.expected) << p.used << '/' << p.total;
    EXPECT_EQ(PreviewFigures::percentText(137), "137%");
    EXPECT_EQ(PreviewFigures::percentText(36.5), "36%");  // printf rounds half to even
    EXPECT_EQ(PreviewFigures::percentText(36.51), "37%");
}

TEST(QuickPreview, CardsShowTheLiveFigures)
{
    PreviewRig r;
    auto preview = r.make();
    // Nothing scanned yet.
    EXPECT_EQ(preview->header().installedLine(), "Installed: 0 apps at Zero KB");
    EXPECT_EQ(preview->card(SidebarTab::applications).figureTexts(), QStringList{"Zero KB"});
    EXPECT_EQ(preview->card(SidebarTab::network).figureTexts(), QStringList({"allowed", "0", "blocked", "0"}));
    EXPECT_EQ(preview->card(SidebarTab::updates).figureTexts(), QStringList({"0", "Available"}));
    EXPECT_FALSE(preview->card(SidebarTab::startup).hasBadge());

    r.shell.scanner->setApps({group(QStringLiteral("Suite"), 0,
                                    {record(QStringLiteral("Sheets"), 1'000'000), record(QStringLiteral("Slides"), 2'000'000),
                                     record(QStringLiteral("Docs"), 3'000'000)})});
    r.shell.cleaner->setStartupItems({startupItem("a", true), startupItem("b", false), startupItem("c", true)});
    r.shell.cleaner->setRemainingFiles(QList<RemovableItem>(5));
    EXPECT_EQ(preview->header().installedLine(), "Installed: 3 apps at 6 MB");
    EXPECT_EQ(preview->card(SidebarTab::applications).figureTexts(), QStringList{"6 MB"});
    EXPECT_EQ(preview->card(SidebarTab::network).figureTexts(), QStringList({"allowed", "3", "blocked", "0"}));
    EXPECT_EQ(preview->card(SidebarTab::startup).figureTexts(), QStringList({"2", "Active", "+5"}));
    r.shell.cleaner->setRemainingFiles(QList<RemovableItem>(0));
    EXPECT_EQ(preview->card(SidebarTab::startup).figureTexts(), QStringList({"2", "Active"}));

    // The System card follows each snapshot; processor load is not capped, memory is.
    SystemSnapshot s;
    s.cpuPercent = 137;
    s.memoryTotal = 8;
    s.memoryUsed = 9;
    preview->showSnapshot(s);
    EXPECT_EQ(preview->card(SidebarTab::system).figureTexts(), QStringList({"137%", "CPU", "100%", "RAM"}));
    s.cpuPercent = 12.4;
    s.memoryTotal = 0;
    preview->showSnapshot(s);
    EXPECT_EQ(preview->card(SidebarTab::system).figureTexts(), QStringList({"12%", "CPU", "0%", "RAM"}));
    // And the monitor's own publications.
    r.monitor.sample();
    EXPECT_EQ(preview->figures().cpuPercent, r.monitor.snapshot().cpuPercent);
}

TEST(QuickPreview, CardsSelectAndDismissTheirCategory)
{
    PreviewRig r;
    auto preview = r.make();
    ASSERT_EQ(preview->cards().size(), 5u);
    const PreviewCard& apps = preview->card(SidebarTab::applications);
    const PreviewCard& system = preview->card(SidebarTab::system);
    auto click = [&](const PreviewCard& card) {
        QTest::mouseClick(preview.get(), Qt::LeftButton, {}, card.geometry().center());
    };

    click(apps);
    EXPECT_EQ(r.navigation().menuCategory(), SidebarTab::applications);
    EXPECT_TRUE(apps.isSelected());
    click(apps);
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);
    EXPECT_FALSE(apps.isSelected());
    click(apps);
    click(system);
    EXPECT_EQ(r.navigation().menuCategory(), SidebarTab::system);
    EXPECT_FALSE(apps.isSelected());
    EXPECT_TRUE(system.isSelected());
    EXPECT_EQ(r.calls.log, QStringList({"select applications", "dismiss", "select applications", "select system"}));

    // A press that leaves the card before it is let go does nothing.
    QTest::mousePress(preview.get(), Qt::LeftButton, {}, apps.geometry().center());
    QTest::mouseRelease(preview.get(), Qt::LeftButton, {}, preview->openButtonRect().center());
    EXPECT_EQ(r.calls.log.size(), 4);

    // A selection made elsewhere shows too.
    r.navigation().setMenuCategory(SidebarTab::updates);
    EXPECT_TRUE(preview->card(SidebarTab::updates).isSelected());
    EXPECT_FALSE(system.isSelected());
}

TEST(QuickPreview, PartsLieWhereTheyAreDrawn)
{
    PreviewRig r;
    auto preview = r.make();
    EXPECT_EQ(preview->width(), 356);
    // Two rows of two cards, then the System card across, then the button.
    const QRect apps = preview->card(SidebarTab::applications).geometry();
    const QRect updates = preview->card(SidebarTab::updates).geometry();
    const QRect startup = preview->card(SidebarTab::startup).geometry();
    const QRect network = preview->card(SidebarTab::network).geometry();
    const QRect system = preview->card(SidebarTab::system).geometry();
    EXPECT_EQ(apps.left(), 8 + 14);
    EXPECT_EQ(updates.right(), 356 - 8 - 14 - 1);
    EXPECT_EQ(updates.left() - apps.right() - 1, 10);
    EXPECT_EQ(apps.top(), updates.top());
    EXPECT_GE(apps.height(), 88);
    EXPECT_EQ(startup.top() - apps.bottom() - 1, 10);
    EXPECT_EQ(startup.height(), network.height());  // one row, one height
    EXPECT_EQ(system.width(), 312);
    EXPECT_EQ(preview->openButtonRect().top() - system.bottom() - 1, 14);
    EXPECT_EQ(preview->height() - preview->openButtonRect().bottom() - 1, 14 + 8);

    // The header's buttons answer the mouse and show their help.
    const PreviewHeader& header = preview->header();
    QTest::mouseClick(preview.get(), Qt::LeftButton, {}, header.buttonRect(PreviewHeader::Button::pin).center());
    QTest::mouseClick(preview.get(), Qt::LeftButton, {}, header.buttonRect(PreviewHeader::Button::close).center());
    QTest::mouseClick(preview.get(), Qt::LeftButton, {}, preview->openButtonRect().center());
    EXPECT_EQ(r.calls.log, QStringList({"pin", "close", "close"}));
    EXPECT_EQ(header.help(PreviewHeader::Button::pin), "Keep on top");
    EXPECT_EQ(header.help(PreviewHeader::Button::close), "");
    EXPECT_LT(header.buttonRect(PreviewHeader::Button::pin).right(),
              header.buttonRect(PreviewHeader::Button::preferences).left());
}

TEST(QuickPreview, HeaderAndOpenButtonsReachTheMainWindowThenClose)
{
    PreviewRig r;
    QWidget main;
    main.resize(1100, 680);
    (new QVBoxLayout(&main))->addWidget(new QWidget);
    auto preview = r.make();

    bool sheetAskedFirst = false;
    QObject::connect(&r.navigation(), &AppNavigation::showPreferencesChanged, &main,
                     [&] { sheetAskedFirst = !main.isVisible() && r.calls.log.isEmpty(); });
    preview->press(PreviewHeader::Button::preferences);
    EXPECT_TRUE(sheetAskedFirst);
    EXPECT_TRUE(r.navigation().showPreferences());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(r.calls.log, QStringList{"close"});
    EXPECT_EQ(preview->header().help(PreviewHeader::Button::preferences), "Preferences");

    main.hide();
    r.navigation().setShowPreferences(false);
    preview->openMainWindow();
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(r.navigation().showPreferences());
    EXPECT_EQ(r.calls.log, QStringList({"close", "close"}));
    EXPECT_EQ(MenuBarQuickPreview::openButtonTitle(), "Open Tidewell");

    preview->press(PreviewHeader::Button::close);
    preview->press(PreviewHeader::Button::pin);
    EXPECT_EQ(r.calls.log, QStringList({"close", "close", "close", "pin"}));
    EXPECT_FALSE(preview->isPinned());  // the host flips it
}

TEST(QuickPreview, ComingOnScreenStartsOnlyWhatIsMissing)
{
    PreviewRig r;
    StartupScanGate gate(r.shell.fake);
    {
        // No startup items: one scan, however often a preview appears while it runs.
        auto first = r.make();
        first->show();
        EXPECT_TRUE(r.shell.cleaner->isScanningStartup());
        auto second = r.make();
        second->show();
        // No applications known: no update check.
        EXPECT_FALSE(r.c().updateChecker().isChecking());
        gate.release();
        drainScans(r.shell.scanner.get(), r.shell.cleaner.get());
        EXPECT_EQ(gate.scans(), 1);
    }

    // Startup items known and update rows present: nothing starts, however old the rows.
    r.shell.cleaner->setStartupItems({startupItem("a", true)});
    const AppInfoPtr app = appIn(r.shell.fake, QStringLiteral("Writer"));
    r.shell.scanner->setApps({app});
    {
        auto withApps = r.make();
        withApps->show();
        EXPECT_FALSE(r.shell.cleaner->isScanningStartup());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !r.c().updateChecker().isChecking(); }, 10000));
        ASSERT_EQ(r.c().updateChecker().items().size(), 1);
    }
    QSignalSpy checks(&r.c().updateChecker(), &UpdateChecker::isCheckingChanged);
    auto again = r.make();
    again->show();
    EXPECT_EQ(checks.count(), 0);
    EXPECT_EQ(gate.scans(), 1);
}

// Tab enters the preview and goes round its parts in reading order (the
// header's buttons, the cards, the open button), the arrows move as the
// parts lie, and Space or Return acts as a click.
TEST(QuickPreview, TheKeyboardGoesRoundItsPartsAndActsOnThem)
{
    PreviewRig r;
    auto preview = r.make();
    preview->show();
    preview->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(preview.get()));
    EXPECT_EQ(preview->focusPolicy(), Qt::TabFocus);
    // A pinned popover coming forward focuses it: no part is marked until a key asks.
    preview->setFocus(Qt::ActiveWindowFocusReason);
    EXPECT_EQ(preview->keyPart(), -1);
    preview->clearFocus();
    preview->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(preview->keyPart(), 0);
    EXPECT_EQ(preview->keyPartRects()[0], preview->header().buttonRect(PreviewHeader::Button::close));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(preview.get(), Qt::Key_Tab);
    ASSERT_EQ(preview->keyPartRects()[preview->keyPart()], preview->card(SidebarTab::applications).geometry());
    EXPECT_TRUE(r.calls.log.isEmpty()) << "moving acts on nothing";
    QTest::keyClick(preview.get(), Qt::Key_Space);
    EXPECT_EQ(r.calls.log, QStringList{"select applications"});
    // Right goes to the card beside it, Down to the one beneath.
    const QRect first = preview->keyPartRects()[preview->keyPart()];
    QTest::keyClick(preview.get(), Qt::Key_Right);
    QRect now = preview->keyPartRects()[preview->keyPart()];
    EXPECT_GT(now.left(), first.right());
    EXPECT_EQ(now.top(), first.top());
    QTest::keyClick(preview.get(), Qt::Key_Left);
    QTest::keyClick(preview.get(), Qt::Key_Down);
    now = preview->keyPartRects()[preview->keyPart()];
    EXPECT_GT(now.top(), first.bottom());
    EXPECT_EQ(now.left(), first.left());
    // Down from the last row goes nowhere.
    for (int i = 0; i < 8 && preview->keyPartRects()[preview->keyPart()] != preview->openButtonRect(); ++i)
        QTest::keyClick(preview.get(), Qt::Key_Down);
    ASSERT_EQ(preview->keyPartRects()[preview->keyPart()], preview->openButtonRect());
    QTest::keyClick(preview.get(), Qt::Key_Down);
    EXPECT_EQ(preview->keyPartRects()[preview->keyPart()], preview->openButtonRect());
    // Nothing stands beside the open button or the full-width card above it:
    // Left and Right stay, never going up to a card of the row above.
    for (const QRect& wide : {preview->openButtonRect(), preview->card(SidebarTab::system).geometry()}) {
        ASSERT_EQ(preview->keyPartRects()[preview->keyPart()], wide);
        for (Qt::Key sideways : {Qt::Key_Left, Qt::Key_Right}) {
            QTest::keyClick(preview.get(), sideways);
            EXPECT_EQ(preview->keyPartRects()[preview->keyPart()], wide) << (sideways == Qt::Key_Left ? "Left" : "Right");
        }
        QTest::keyClick(preview.get(), Qt::Key_Up);
    }
    EXPECT_EQ(preview->keyPartRects()[preview->keyPart()].top(), preview->card(SidebarTab::startup).geometry().top());
    // Shift+Tab from the first part goes round to the open button; Return on close closes.
    preview->clearFocus();
    preview->setFocus(Qt::TabFocusReason);
    QTest::keyClick(preview.get(), Qt::Key_Backtab);
    EXPECT_EQ(preview->keyPartRects()[preview->keyPart()], preview->openButtonRect());
    QTest::keyClick(preview.get(), Qt::Key_Tab);
    QTest::keyClick(preview.get(), Qt::Key_Return);
    EXPECT_EQ(r.calls.log, QStringList({"select applications", "close"}));
}
