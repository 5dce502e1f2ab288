#include "menubar/CategoryQuickPanel.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/MenuBarRig.h"
#include "menubar/Placement.h"
#include "menubar/PopoverWindow.h"
#include "menubar/PreviewCard.h"
#include "menubar/QuickPanes.h"
#include "menubar/SidePanel.h"
#include "support/Printers.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/TextButton.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tw;
using namespace tw::test;

TEST(Placement, SidePanelStandsBesideTheItemAndIsKeptOnScreen)
{
    const QSize size(460, 420);
    const QRect screen(0, 0, 1440, 900);
    const QRect item(1200, 0, 24, 24);
    struct Case {
        const char* what;
        QRect item;
        std::optional<QRect> preview;
        std::optional<QRect> available;
        QPoint expected;
    };
    const Case cases[] = {
        {"beside the item", item, std::nullopt, screen, {1200 - 460 - 12, 24 + 6}},
        {"beside the preview further left", item, QRect(1000, 32, 340, 430), screen, {1000 - 460 - 12, 30}},
        {"no room on the left: right of the preview", QRect(20, 0, 24, 24), QRect(8, 32, 340, 430), screen,
         {348 + 12, 30}},
        {"above a tray at the bottom", QRect(1200, 876, 24, 24), QRect(1040, 438, 340, 430), screen,
         {568, 876 - 6 - 420}},
        {"no preview, a tray at the bottom: above the item", QRect(1200, 876, 24, 24), std::nullopt, screen,
         {728, 450}},
        {"no preview, past the left edge", QRect(300, 0, 24, 24), std::nullopt, screen, {8, 30}},
        {"past the left edge of a screen that does not start at 0", QRect(2000, 0, 24, 24), std::nullopt,
         QRect(1800, 0, 1000, 800), {1808, 30}},
        {"past the bottom edge", QRect(1200, 500, 24, 24), QRect(1040, 525, 340, 370), screen, {568, 900 - 8 - 420}},
        {"past the top edge", QRect(1200, 300, 24, 24), QRect(1040, 0, 340, 290), screen, {568, 8}},
        {"no room either side: over the side that hides less of the preview", QRect(200, 0, 24, 24),
         QRect(120, 32, 340, 430), QRect(0, 0, 800, 600), {800 - 8 - 460, 30}},
        {"no screen: unchanged", QRect(300, 876, 24, 24), std::nullopt, std::nullopt, {-172, 906}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placement::sidePanel(size, c.item, c.preview, c.available), QRect(c.expected, size)) << c.what;
}

// The tray in each corner of the screen and anywhere along its top and
// bottom edges: the panel lies on screen, level with the preview, clear of
// it and of the item.
TEST(Placement, SidePanelStandsBesideThePreviewWhereverTheTrayIs)
{
    const QSize popover(356, 450);
    const QSize size(460, 420);
    for (const QRect& screen : {QRect(0, 0, 1600, 1000), QRect(1600, 24, 1280, 776)}) {
        for (const bool bottom : {false, true}) {
            for (int x = screen.left() + 1; x + 22 <= screen.right(); x += 37) {
                const QRect item(x, bottom ? screen.bottom() - 26 : screen.top() + 1, 22, 26);
                const int m = PopoverWindow::margin();
                const QRect preview = placement::popover(popover, item, screen).adjusted(m, m, -m, -m);
                const QRect panel = placement::sidePanel(size, item, preview, screen);
                SCOPED_TRACE(testing::Message() << (bottom ? "bottom" : "top") << " x " << x << " screen "
                                                << screen.x() << " panel " << panel.x() << "," << panel.y());
                EXPECT_EQ(panel.size(), size);
                EXPECT_TRUE(screen.contains(panel));
                EXPECT_FALSE(panel.intersects(preview));
                EXPECT_FALSE(panel.intersects(item));
                EXPECT_TRUE(panel.top() <= preview.bottom() && preview.top() <= panel.bottom());
            }
        }
    }
}

TEST(Placement, PopoverOpensUnderTheItemWithinTheScreen)
{
    const QSize size(356, 420);
    const QRect screen(0, 0, 1440, 900);
    struct Case {
        const char* what;
        QRect item;
        QRect expected;
    };
    const Case cases[] = {
        {"centred under the item", QRect(700, 0, 24, 24), QRect(QPoint(712 - 178, 24), size)},
        {"kept from the right edge", QRect(1420, 0, 20, 24), QRect(QPoint(1440 - 356, 24), size)},
        {"kept from the left edge", QRect(10, 0, 20, 24), QRect(QPoint(0, 24), size)},
        {"above a tray at the bottom", QRect(700, 870, 24, 30), QRect(QPoint(534, 870 - 420), size)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placement::popover(size, c.item, screen), c.expected) << c.what;
}

TEST(Placement, APreviewTallerThanTheRoomOnEitherSideOfTheItemStaysOnScreen)
{
    const QSize size(356, 420);
    // A tray at the bottom of short screens, the item at every height: where
    // neither below nor above has room, the preview still lies inside.
    for (const int height : {420, 500, 700}) {
        const QRect screen(0, 0, 1440, height);
        for (int top = 0; top + 30 <= height; top += 10) {
            const QRect item(700, top, 24, 30);
            const QRect frame = placement::popover(size, item, screen);
            EXPECT_EQ(frame.size(), size);
            EXPECT_TRUE(screen.contains(frame)) << height << " " << top << ": " << frame.y();
        }
    }
    // No room either way: as low as the screen allows, over the item.
    EXPECT_EQ(placement::popover(size, QRect(700, 300, 24, 30), QRect(0, 0, 1440, 500)),
              QRect(QPoint(534, 500 - 420), size));
    // Taller than the whole screen: its top edge stays in view.
    EXPECT_EQ(placement::popover(size, QRect(700, 370, 24, 30), QRect(0, 20, 1440, 380)).top(), 20);
}

TEST(SidePanel, OpensBesideThePreviewAndKeepsItsPlace)
{
    MenuBarRig r;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    r.area.place = QRect(screen.right() - 100, screen.top(), 24, 24);
    r.install();
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    const QRect card = r.c().popover()->geometry().adjusted(8, 8, -8, -8);
    EXPECT_EQ(r.c().popover()->geometry().top(), r.area.place.bottom() + 1);

    r.c().preview()->choose(SidebarTab::system);
    SidePanel* panel = r.c().panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), QSize(460, 420));
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(panel->windowType(), Qt::Tool);
    EXPECT_EQ(panel->geometry(), placement::sidePanel(panel->size(), r.area.place, card, screen));
    // Left of the preview when the screen leaves room there.
    if (card.left() - 12 - 460 >= screen.left()) {
        EXPECT_LT(panel->geometry().right(), card.left());
    }

    // Another category replaces the content in place.
    panel->move(panel->pos() + QPoint(-3, 40));
    const QPoint moved = panel->pos();
    r.c().preview()->choose(SidebarTab::network);
    EXPECT_EQ(panel->pos(), moved);
    EXPECT_EQ(r.c().categoryPanel()->tab(), SidebarTab::network);
    EXPECT_EQ(r.c().panel(), panel);

    // Tapping the selected card again puts the panel away.
    r.c().preview()->choose(SidebarTab::network);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);
}

TEST(SidePanel, ItsCloseButtonClearsTheCategory)
{
    MenuBarRig r;
    r.install();
    r.click();
    r.c().preview()->choose(SidebarTab::applications);
    EXPECT_EQ(r.navigation().appsSegment(), AppsSegment::apps);
    r.navigation().setAppsSegment(AppsSegment::remains);
    r.c().preview()->choose(SidebarTab::startup);
    r.c().preview()->choose(SidebarTab::applications);
    EXPECT_EQ(r.navigation().appsSegment(), AppsSegment::apps);

    SidePanel* panel = r.c().panel();
    QSignalSpy closed(panel, &SidePanel::closed);
    panel->closeButton()->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);
    // The preview stays and shows no selection.
    EXPECT_TRUE(r.c().isPopoverShown());
    EXPECT_FALSE(r.c().preview()->card(SidebarTab::applications).isSelected());
    // Hidden by the host, it leaves the category alone.
    r.c().preview()->choose(SidebarTab::system);
    panel->hide();
    EXPECT_EQ(r.navigation().menuCategory(), SidebarTab::system);
}

// Come forward with nothing focused (shown on its own, or clicked beside the
// pinned preview), the panel holds the focus itself: no control takes it,
// ring and all, until Tab; so too after the keyboard's loan left it none.
TEST(SidePanel, ComingForwardItHoldsTheFocusItselfUntilTab)
{
    MenuBarRig r;
    r.install();
    r.c().showCategoryPanel(SidebarTab::applications);
    SidePanel* panel = r.c().panel();
    const auto ringsShown = [panel] {
        const QList<FocusRing*> rings = panel->findChildren<FocusRing*>();
        return std::count_if(rings.begin(), rings.end(), [](const FocusRing* ring) { return ring->isVisible(); });
    };
    const auto comeForward = [panel] {
        panel->activateWindow();
        return QTest::qWaitForWindowActive(panel);
    };
    ASSERT_TRUE(comeForward());
    EXPECT_EQ(QApplication::focusWidget(), panel);
    EXPECT_EQ(ringsShown(), 0);
    QTest::keyClick(panel, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), panel->closeButton());
    EXPECT_EQ(ringsShown(), 1);

    panel->closeButton()->clearFocus();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_TRUE(comeForward());
    EXPECT_EQ(QApplication::focusWidget(), panel);
    EXPECT_EQ(ringsShown(), 0);
}

TEST(SidePanel, FooterNamesTheCategoryExceptForUpdates)
{
    MenuBarRig r;
    r.install();
    const struct {
        SidebarTab tab;
        const char* name;
    } cases[] = {{SidebarTab::applications, "Applications"}, {SidebarTab::startup, "Startup apps"},
                 {SidebarTab::extensions, "Extensions"},     {SidebarTab::network, "Network access"},
                 {SidebarTab::system, "System"},             {SidebarTab::theme, "Theme"}};
    for (const auto& c : cases) {
        r.c().showCategoryPanel(c.tab);
        CategoryQuickPanel* content = r.c().categoryPanel();
        ASSERT_NE(content, nullptr);
        ASSERT_NE(content->footerLabel(), nullptr) << c.name;
        EXPECT_EQ(content->footerLabel()->text(), c.name);
        EXPECT_EQ(content->openInApp()->text(), "Open in App");
        EXPECT_EQ(content->size(), QSize(460, 420));
    }
    // The categories without a pane show an empty area above the footer.
    r.c().showCategoryPanel(SidebarTab::extensions);
    EXPECT_EQ(r.c().categoryPanel()->pane(), nullptr);
    r.c().showCategoryPanel(SidebarTab::updates);
    EXPECT_EQ(r.c().categoryPanel()->footerLabel(), nullptr);
    EXPECT_EQ(r.c().categoryPanel()->openInApp(), nullptr);
}

TEST(SidePanel, PanesComeFromTheirFactories)
{
    MenuBarRig r;
    r.install();
    const QuickPanes::Factory saved = QuickPanes::get(SidebarTab::theme);
    int opened = 0;
    QuickPanes::set(SidebarTab::theme, [&](const QuickPaneEnvironment& env) {
        auto* pane = new TextButton(QStringLiteral("Go"), Tint::accent, QFont());
        QObject::connect(pane, &QAbstractButton::clicked, pane, [env, &opened] {
            ++opened;
            env.onOpenInApp();
        });
        EXPECT_EQ(&env.scanner, r.shell.scanner.get());
        EXPECT_EQ(&env.updateChecker, &r.c().updateChecker());
        EXPECT_EQ(&env.prompter, &r.c().panelPrompter());
        return pane;
    });
    r.click();
    r.c().preview()->choose(SidebarTab::system);
    r.c().showCategoryPanel(SidebarTab::theme);
    auto* pane = qobject_cast<TextButton*>(r.c().categoryPanel()->pane());
    ASSERT_NE(pane, nullptr);
    pane->click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(r.navigation().tab(), SidebarTab::theme);
    EXPECT_FALSE(r.c().panel()->isVisible());
    EXPECT_FALSE(r.c().isPopoverShown());
    QuickPanes::set(SidebarTab::theme, saved);
}

TEST(SidePanel, OneStartupScanWhilePreviewAndPanelAppear)
{
    MenuBarRig r;
    r.install();
    StartupScanGate gate(r.shell.fake);
    r.click();  // the preview starts a scan: no startup items are known
    ASSERT_TRUE(r.shell.cleaner->isScanningStartup());
    r.c().preview()->choose(SidebarTab::startup);  // the panel finds it running
    const MenuBarQuickPreview* before = r.c().preview();
    r.theme().apply(AppAppearance::indigo, true);  // and so does the preview shown again
    settle();
    EXPECT_NE(r.c().preview(), before);
    gate.release();
    drainScans(r.shell.scanner.get(), r.shell.cleaner.get());
    EXPECT_EQ(gate.scans(), 1);
    EXPECT_FALSE(r.shell.cleaner->isScanningStartup());

    // With items known, opening the category again starts none.
    r.shell.cleaner->setStartupItems({RemovableItem{}});
    r.c().showCategoryPanel(SidebarTab::system);
    r.c().showCategoryPanel(SidebarTab::startup);
    EXPECT_FALSE(r.shell.cleaner->isScanningStartup());
    EXPECT_EQ(gate.scans(), 1);

    // With none known and none running, it starts one itself.
    r.shell.cleaner->setStartupItems({});
    r.c().closePopover();
    r.c().showCategoryPanel(SidebarTab::startup);
    EXPECT_TRUE(r.shell.cleaner->isScanningStartup());
    drainScans(r.shell.scanner.get(), r.shell.cleaner.get());
    EXPECT_EQ(gate.scans(), 2);
}

TEST(SidePanel, ClicksOnThePanelKeepBothAndAClickOnNeitherPutsBothAway)
{
    MenuBarRig r;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    r.area.place = QRect(screen.right() - 100, screen.top(), 24, 24);
    // Another window, in the corner away from the item (shown first: showing a window closes popups).
    QWidget other;
    other.setWindowFlag(Qt::FramelessWindowHint);
    other.setGeometry(QRect(screen.bottomLeft() - QPoint(0, 79), QSize(120, 80)));
    other.show();
    QList<AppInfoPtr> many;
    for (int i = 0; i < 40; ++i)
        many << record(QStringLiteral("Figure %1").arg(i, 2, 10, QLatin1Char('0')), 1'000);  // all match "fig"
    r.shell.scanner->setApps(many);
    r.install();
    r.click();
    ASSERT_TRUE(r.c().isPopoverShown());
    r.c().preview()->choose(SidebarTab::network);
    SidePanel* panel = r.c().panel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->isVisible());
    PopoverWindow* popover = r.c().popover();
    // The preview holds the mouse as a popup does: the desktop's clicks on
    // any of the program's windows reach it first.
    ASSERT_EQ(QApplication::activePopupWidget(), popover);

    // A click in the panel's search field and typing: both stay open, the field takes the text.
    auto* field = panel->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(field->isVisible());
    QTest::mouseClick(panel->windowHandle(), Qt::LeftButton, {}, field->mapTo(panel, field->rect().center()));
    EXPECT_TRUE(r.c().isPopoverShown());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(r.navigation().menuCategory(), SidebarTab::network);
    QTest::keyClicks(popover, QStringLiteral("fig"));
    EXPECT_EQ(field->text(), "fig");
    EXPECT_TRUE(r.c().isPopoverShown());

    // Dragged by its background while the preview holds the mouse: the panel follows it.
    const QPoint before = panel->pos();
    const QPoint grip(panel->width() / 2, 12);
    QTest::mousePress(panel->windowHandle(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(panel->windowHandle(), grip + QPoint(-30, 20));
    // The grip is under the mouse again where the panel now stands.
    QTest::mouseRelease(panel->windowHandle(), Qt::LeftButton, {}, grip);
    EXPECT_EQ(panel->pos(), before + QPoint(-30, 20));
    EXPECT_TRUE(r.c().isPopoverShown());
    // Neither that drag nor a click on the background takes the typing from the field.
    QTest::keyClicks(popover, QStringLiteral("u"));
    QTest::mouseClick(panel->windowHandle(), Qt::LeftButton, {}, grip);
    QTest::keyClicks(popover, QStringLiteral("re"));
    EXPECT_EQ(field->text(), "figure");

    // A wheel turn over the panel's list, which the popup receives, scrolls that list.
    auto* list = panel->findChild<LazyList*>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->verticalScrollBar()->maximum() > 0; }, 5000))
        << list->count() << " rows, " << list->viewport()->height() << " high";
    const QPoint overList = list->viewport()->mapToGlobal(list->viewport()->rect().center());
    QWheelEvent wheel(popover->mapFromGlobal(QPointF(overList)), QPointF(overList), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(popover, &wheel);
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(r.c().isPopoverShown());

    // A click on the preview itself moves the typing back to it.
    QTest::mouseClick(popover->windowHandle(), Qt::LeftButton, {}, QPoint(popover->width() / 2, 2));
    EXPECT_TRUE(r.c().isPopoverShown());
    QTest::keyClicks(popover, QStringLiteral("ma"));
    EXPECT_EQ(field->text(), "figure");

    // A click on another window, away from both: the preview closes and the panel goes with it.
    ASSERT_FALSE(other.frameGeometry().intersects(popover->frameGeometry()));
    ASSERT_FALSE(other.frameGeometry().intersects(panel->frameGeometry()));
    ASSERT_TRUE(r.c().isPopoverShown());
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);

    // So does Escape.
    r.ms += MenuBarController::reopenGuardMs + 1;
    r.click();
    r.c().preview()->choose(SidebarTab::startup);
    ASSERT_TRUE(panel->isVisible());
    QTest::keyClick(r.c().popover(), Qt::Key_Escape);
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(r.navigation().menuCategory(), std::nullopt);

    // The preview's close button puts both away too.
    r.ms += MenuBarController::reopenGuardMs + 1;
    r.click();
    r.c().preview()->choose(SidebarTab::system);
    ASSERT_TRUE(panel->isVisible());
    r.c().preview()->press(PreviewHeader::Button::close);
    EXPECT_FALSE(r.c().isPopoverShown());
    EXPECT_FALSE(panel->isVisible());
}
