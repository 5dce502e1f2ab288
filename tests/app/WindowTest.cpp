#include "app/IconSidebar.h"
#include "app/MainView.h"
#include "app/PreferencesView.h"
#include "app/TitleBarButtons.h"
#include "app/WindowChrome.h"
#include "state/AppNavigation.h"
#include "state/LanguageManager.h"
#include "state/MainWindowCloseGuard.h"
#include "views/kit/NeonGlassPanel.h"
#include "views/kit/NeonPillButton.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/PendingWorkspace.h"
#include "views/kit/WorkspaceCard.h"
#include "views/kit/WorkspaceTitleBar.h"
#include "views/theme/ThemePreviewCard.h"
#include "views/theme/ThemeWorkspace.h"
#include "support/ProgramHarness.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

using Kind = TitleBarButton::Kind;

// Runs the event loop until something ends it, or until exit(7) after ms.
int runEventLoopFor(int ms)
{
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    timeout.start(ms);
    return QApplication::exec();
}

QPoint centreIn(QWidget* w, QWidget* of)
{
    return w->mapTo(of, w->rect().center());
}

// The main view's tab workspace, when it is the stand-in frame.
WorkspaceChrome* chromeOf(MainWindow* window)
{
    return qobject_cast<WorkspaceChrome*>(window->mainView()->workspace());
}

} // namespace

TEST(Window, TitleBarButtonsSitAtTheLeadingTopCorner)
{
    Program p;
    MainWindow* window = p.startShown();
    TitleBarButtons* buttons = window->titleBarButtons();
    ASSERT_NE(buttons, nullptr);
    QList<int> xs;
    for (Kind k : {Kind::close, Kind::minimise, Kind::zoom}) {
        TitleBarButton* b = buttons->button(k);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->kind(), k);
        EXPECT_EQ(b->focusPolicy(), Qt::TabFocus);  // a keyboard stop, never a click one
        xs << b->mapTo(window, QPoint(0, 0)).x();
    }
    // Close, minimise and zoom from the left, 20 apart, in the sidebar's
    // empty head: above its first pill and clear of the window's corner.
    EXPECT_EQ(xs, (QList<int>{22, 42, 62}));
    const QRect close(buttons->button(Kind::close)->mapTo(window, QPoint(0, 0)), QSize(12, 12));
    NeonPillButton* first = window->mainView()->sidebar()->tabPills().first();
    EXPECT_LT(close.bottom(), first->mapTo(window, QPoint(0, 0)).y());
    EXPECT_GT(close.top(), 12);
    EXPECT_TRUE(buttons->isVisible());
}

TEST(Window, CloseHidesMinimiseAndZoomResize)
{
    Program p;
    MainWindow* window = p.startShown();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    TitleBarButtons* buttons = window->titleBarButtons();

    // Close hides the window; the program runs on, and a reopen brings the
    // same window back.
    QTest::mouseClick(buttons->button(Kind::close), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    drainEvents();  // a quit the close had asked for would have come
    EXPECT_EQ(quitting.count(), 0);
    EXPECT_EQ(p.app->mainWindow(), window);
    p.navigation().openMainWindow(std::nullopt, false, false);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(p.app->mainWindow(), window);

    // Minimise, and the window comes back from it when brought forward.
    QTest::mouseClick(buttons->button(Kind::minimise), Qt::LeftButton);
    EXPECT_TRUE(window->isMinimized());
    p.navigation().openMainWindow(std::nullopt, false, false);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());

    // Zoom toggles between the whole screen and the window's own size.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(buttons->button(Kind::zoom), Qt::LeftButton);
    EXPECT_TRUE(window->isMaximized());
    QTest::mouseClick(buttons->button(Kind::zoom), Qt::LeftButton);
    EXPECT_FALSE(window->isMaximized());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->size() == QSize(1100, 680); }, 10000)) << window->width();
    EXPECT_EQ(quitting.count(), 0);
}

// With no window manager nothing carries out the maximised or minimised
// state: zoom fills the screen's available area by itself, and the window
// then stays put when dragged by its background or title strip and is not
// resized from its edges; the second click gives back the frame before.
// Minimise leaves the window as it is. Unzoomed, it moves and resizes again.
TEST(Window, WithoutAWindowManagerZoomFillsTheScreenAndGivesTheFrameBack)
{
    const auto managed = std::exchange(WindowChrome::windowManaged(), [] { return false; });
    const auto back = qScopeGuard([&] { WindowChrome::windowManaged() = managed; });
    Program p;
    MainWindow* window = p.startShown();
    window->setMinimumSize(400, 300);  // within the test's screen
    TitleBarButtons* buttons = window->titleBarButtons();
    QWindow* handle = window->windowHandle();
    const QRect start(40, 30, 600, 400), area = window->screen()->availableGeometry();
    window->setGeometry(start);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == start; }, 10000));
    // A background drag, then one of the right edge inwards.
    const auto drags = [&](int width) {
        for (const auto& [at, by] :
             {std::pair{QPoint(300, 12), QPoint(30, 20)}, std::pair{QPoint(width - 2, 300), QPoint(-50, 0)}}) {
            const QPoint to = window->mapToGlobal(at) + by;
            QTest::mousePress(handle, Qt::LeftButton, {}, at);
            QTest::mouseMove(handle, handle->mapFromGlobal(to));
            QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(to));
        }
    };

    QTest::mouseClick(buttons->button(Kind::zoom), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == area; }, 10000));
    QTest::mouseClick(buttons->button(Kind::minimise), Qt::LeftButton);
    EXPECT_FALSE(window->isMinimized());
    drags(area.width());
    EXPECT_EQ(window->geometry(), area);
    QTest::mouseClick(buttons->button(Kind::zoom), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->geometry() == start; }, 10000));

    drags(start.width());
    EXPECT_EQ(window->geometry(), QRect(start.topLeft() + QPoint(30, 20), start.size() - QSize(50, 0)));
}

// With no window manager a window the program did not place opens in the
// middle of the screen's available area; one it placed opens there.
TEST(Window, WithoutAWindowManagerTheFirstWindowOpensCentred)
{
    const auto managed = std::exchange(WindowChrome::windowManaged(), [] { return false; });
    const auto back = qScopeGuard([&] { WindowChrome::windowManaged() = managed; });
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget centred, placed;
    for (QWidget* w : {&centred, &placed}) {
        w->resize(300, 200);
        WindowChrome::install(w);
    }
    placed.move(30, 40);
    for (QWidget* w : {&centred, &placed}) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    EXPECT_EQ(centred.geometry().center(), area.center());
    EXPECT_EQ(placed.pos(), QPoint(30, 40));
}

TEST(Window, TitleBarButtonsShowTheirSymbolsUnderThePointerAndGreyWhenInactive)
{
    QCursor::setPos(3000, 3000);  // away from where the window opens
    Program p;
    MainWindow* window = p.startShown();
    TitleBarButtons* buttons = window->titleBarButtons();
    TitleBarButton* close = buttons->button(Kind::close);
    const QPoint centre(6, 6);
    auto centreColour = [&] { return close->grab().toImage().pixelColor(centre * close->devicePixelRatioF()); };
    // Active, pointer away: the plain red disc.
    QColor c = centreColour();
    EXPECT_GT(c.red(), 220);
    EXPECT_LT(c.green(), 130);
    // Pointer over the group: the x in the middle of the disc, dark red.
    QTest::mouseMove(window, centreIn(buttons->button(Kind::zoom), window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return buttons->isHovered(); }, 10000));
    c = centreColour();
    EXPECT_LT(c.red(), 160);
    EXPECT_LT(c.green(), 60);
    QTest::mouseMove(window, QPoint(600, 400));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !buttons->isHovered(); }, 10000));

    // Another window active: grey discs.
    QWidget other;
    other.resize(200, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(buttons->isWindowActive());
    c = centreColour();
    EXPECT_LT(std::abs(c.red() - c.green()), 12);
    EXPECT_LT(std::abs(c.green() - c.blue()), 12);
}

TEST(Window, QuitEndsTheEventLoopWithTheWindowHidden)
{
    Program p;
    MainWindow* window = p.startShown();
    QAction* quit = p.app->quitAction();
    EXPECT_EQ(quit->text(), "Quit Tidewell");
    EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(quit->menuRole(), QAction::QuitRole);

    // Hidden through its close button, the window keeps the program alive;
    // Quit still ends it.
    QTest::mouseClick(window->titleBarButtons()->button(Kind::close), Qt::LeftButton);
    ASSERT_FALSE(window->isVisible());
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, quit, &QAction::trigger);
    EXPECT_EQ(runEventLoopFor(5000), 0);
    EXPECT_EQ(quitting.count(), 1);
    EXPECT_FALSE(window->isVisible());

    // The close guard works again after the quit, and Ctrl+Q quits from the window.
    p.navigation().openMainWindow(std::nullopt, false, false);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(p.app->mainWindow(), window);
    p.navigation().openMainWindow(std::nullopt, false, false);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTimer::singleShot(0, [window] { QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier); });
    EXPECT_EQ(runEventLoopFor(5000), 0);
    EXPECT_EQ(quitting.count(), 2);
}

TEST(Window, CtrlWHidesTheWindowAndTheProgramRunsOn)
{
    Program p;
    MainWindow* window = p.startShown();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QTest::keyClick(window->mainView()->sidebar()->tabPills().first(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    drainEvents();  // a quit the close had asked for would have come
    EXPECT_EQ(quitting.count(), 0);
    p.navigation().openMainWindow(SidebarTab::theme, false, false);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(p.app->mainWindow(), window);
    EXPECT_EQ(window->mainView()->shownTab(), SidebarTab::theme);
}

TEST(Window, LayoutRunsRightToLeftForArabicAndBack)
{
    Program p;
    MainWindow* window = p.startShown();
    p.navigation().setTab(SidebarTab::applications);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chromeOf(window) != nullptr; }, 10000));
    auto check = [&](bool rtl) {
        SCOPED_TRACE(rtl ? "right to left" : "left to right");
        EXPECT_EQ(window->layoutDirection(), rtl ? Qt::RightToLeft : Qt::LeftToRight);
        MainView* view = window->mainView();
        IconSidebar* sidebar = view->sidebar();
        const int sidebarX = sidebar->mapTo(window, QPoint(0, 0)).x();
        EXPECT_EQ(sidebarX, rtl ? 1100 - 188 : 0);
        // The title-bar buttons follow the sidebar, close outermost.
        TitleBarButtons* buttons = window->titleBarButtons();
        const int closeX = buttons->button(Kind::close)->mapTo(window, QPoint(0, 0)).x();
        const int zoomX = buttons->button(Kind::zoom)->mapTo(window, QPoint(0, 0)).x();
        EXPECT_EQ(closeX, rtl ? 1100 - 22 - 12 : 22);
        EXPECT_EQ(zoomX < closeX, rtl);
        // A pill's glyph leads its title.
        NeonPillButton* pill = sidebar->tabPills().first();
        const QRectF glyph = NeonPillButton::glyphRect(pill->size(), pill->layoutDirection());
        const QRectF title = NeonPillButton::titleRect(pill->size(), pill->layoutDirection());
        EXPECT_EQ(glyph.x() > title.x(), rtl);
        EXPECT_FALSE(glyph.intersects(title));
        // The workspace's middle column leads its detail column.
        WorkspaceChrome* chrome = chromeOf(window);
        ASSERT_NE(chrome, nullptr);
        EXPECT_EQ(chrome->middleCard()->x() > chrome->detailCard()->x(), rtl);
        EXPECT_EQ(chrome->middleCard()->width(), WorkspaceChrome::middleWidth());
    };
    check(false);

    p.app->state().language().setLanguage(AppLanguage::ar);
    check(true);
    // The title stands at the right of its bar.
    WorkspaceTitleBar* bar = chromeOf(window)->titleBar();
    const QImage img = bar->grab().toImage();
    int left = 0, right = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).lightness() > 230)
                (x < img.width() / 2 ? left : right)++;
    EXPECT_GT(right, 10 * (left + 1));

    // The theme grid's first column is the right one, and a pill's title
    // stands against its glyph.
    p.navigation().setTab(SidebarTab::theme);
    auto* themes = qobject_cast<ThemeWorkspace*>(window->mainView()->workspace());
    ASSERT_NE(themes, nullptr);
    EXPECT_GT(themes->card(AppAppearance::midnight)->x(), themes->card(AppAppearance::classic)->x());
    EXPECT_EQ(themes->card(AppAppearance::indigo)->x(), themes->card(AppAppearance::midnight)->x());
    NeonPillButton* pill = window->mainView()->sidebar()->pill(SidebarTab::network);
    const QImage pillPicture = pill->grab().toImage();
    const QRectF titleArea = NeonPillButton::titleRect(pill->size(), Qt::RightToLeft);
    int nearGlyph = 0, farFromGlyph = 0;
    for (int y = 0; y < pillPicture.height(); ++y)
        for (int x = int(titleArea.left()); x < int(titleArea.right()); ++x)
            if (pillPicture.pixelColor(x, y).lightness() > 150)
                (x > titleArea.center().x() ? nearGlyph : farFromGlyph)++;
    EXPECT_GT(nearGlyph, 5 * (farFromGlyph + 1));
    p.navigation().setTab(SidebarTab::startup);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chromeOf(window) != nullptr; }, 10000));

    p.app->state().language().setLanguage(AppLanguage::en);
    check(false);
    // The preferences sheet is mirrored: "Done" and the switches at the
    // left, the title at the right; its English texts still read left to right.
    p.app->state().language().setLanguage(AppLanguage::ar);
    p.navigation().setShowPreferences(true);
    PreferencesView* sheet = window->preferences();
    ASSERT_NE(sheet, nullptr);
    auto checkSheet = [&](bool rtl) {
        SCOPED_TRACE(rtl ? "sheet right to left" : "sheet left to right");
        EXPECT_EQ(sheet->layoutDirection(), rtl ? Qt::RightToLeft : Qt::LeftToRight);
        const int half = sheet->width() / 2;
        for (QWidget* w : {static_cast<QWidget*>(sheet->doneButton()), static_cast<QWidget*>(sheet->menuBarSwitch()),
                           static_cast<QWidget*>(sheet->trashSwitch())})
            EXPECT_EQ(w->geometry().center().x() < half, rtl);
        // The title's light pixels in the header, on the leading half.
        sheet->doneButton()->hide();
        const QImage header = sheet->grab(QRect(0, 0, sheet->width(), 60)).toImage();
        sheet->doneButton()->show();
        int left = 0, right = 0;
        for (int y = 0; y < header.height(); ++y)
            for (int x = 0; x < header.width(); ++x)
                if (header.pixelColor(x, y).lightness() > 200)
                    (x < header.width() / 2 ? left : right)++;
        EXPECT_GT(rtl ? right : left, 10 * ((rtl ? left : right) + 1));
        // The switch's knob stands on its trailing side when on.
        NeonSwitch* on = sheet->menuBarSwitch();
        on->setChecked(true);
        const QImage knob = on->grab().toImage();
        const int y = knob.height() / 2;
        EXPECT_EQ(knob.pixelColor(knob.width() / 4, y).lightness() > knob.pixelColor(knob.width() * 3 / 4, y).lightness(),
                  rtl);
    };
    checkSheet(true);
    p.app->state().language().setLanguage(AppLanguage::en);
    checkSheet(false);
}

TEST(Window, LanguageDirectionTable)
{
    const struct {
        const char* code;
        Qt::LayoutDirection direction;
    } cases[] = {{"ar", Qt::RightToLeft}, {"en", Qt::LeftToRight}, {"ja", Qt::LeftToRight},
                 {"zh-Hans", Qt::LeftToRight}, {"ru", Qt::LeftToRight},
                 // No table: shown in English, so left to right.
                 {"he", Qt::LeftToRight}, {"fa", Qt::LeftToRight}, {"xx", Qt::LeftToRight}};
    for (const auto& c : cases)
        EXPECT_EQ(MainWindow::layoutDirectionFor(QString::fromLatin1(c.code)), c.direction) << c.code;
}

TEST(Window, RightClickMenuHasTheCommandGroupsInTheThemesColours)
{
    Program p;
    MainWindow* window = p.startShown();
    QStringList entries;
    QImage picture;
    auto openMenu = [&] {
        // A right-click on the workspace reaches the window's menu.
        QWidget* target = window->mainView()->workspace();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(300, 300), target->mapToGlobal(QPoint(300, 300)));
        QApplication::sendEvent(target, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        entries.clear();
        for (QAction* a : menu->actions())
            entries << (a->isSeparator() ? QStringLiteral("—") : a->text());
        picture = menu->grab().toImage();
        menu->close();
    };
    // The card's colour halfway down, beside the entries.
    auto background = [&] { return picture.pixelColor(picture.width() - 6, picture.height() / 2).rgb(); };

    openMenu();
    EXPECT_EQ(entries, (QStringList{"About Tidewell", "—", "Preferences…", "—", "Marrowind Website", "Support", "—",
                                    "Quit Tidewell"}));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(background(), AppTheme::cardFill(AppAppearance::midnight).rgb());
    // Rounded: the very corner is see-through.
    EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0);

    p.app->state().theme().apply(AppAppearance::classic, true);
    openMenu();
    EXPECT_EQ(background(), AppTheme::cardFill(AppAppearance::classic).rgb());
    p.app->state().theme().apply(AppAppearance::indigo, true);
    openMenu();
    EXPECT_EQ(background(), AppTheme::cardFill(AppAppearance::indigo).rgb());
    // Tooltips and other menus take the theme's colours too.
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), AppTheme::cardFill(AppAppearance::indigo));
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipText), AppTheme::primaryText(AppAppearance::indigo));
    QMenu plain;
    plain.ensurePolished();  // as before it shows
    EXPECT_EQ(plain.palette().color(QPalette::Text), AppTheme::primaryText(AppAppearance::indigo));
    EXPECT_EQ(plain.palette().color(QPalette::Highlight), AppTheme::accent(AppAppearance::indigo));
}

TEST(Window, TabWalksThroughThePillsWithAFocusRingAndReturnOrSpacePressesThem)
{
    Program p;
    MainWindow* window = p.startShown();
    IconSidebar* sidebar = window->mainView()->sidebar();
    QList<NeonPillButton*> order = sidebar->tabPills();
    order << sidebar->themePill() << sidebar->preferencesPill();
    // Past the three title-bar buttons.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->titleBarButtons()->button(Kind::zoom));
    for (NeonPillButton* pill : order) {
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), pill) << pill->title().toStdString();
    }

    // The ring shows around the focused pill (outside it: on the sidebar's card).
    NeonPillButton* startup = sidebar->pill(SidebarTab::startup);
    NeonGlassPanel* card = sidebar->panel();
    const QPoint beside = startup->mapTo(card, QPoint(startup->width() / 2, -3));
    auto ringPixel = [&] { return card->grab().toImage().pixelColor(beside * card->devicePixelRatioF()); };
    startup->setFocus(Qt::TabFocusReason);
    const QColor focused = ringPixel();
    startup->clearFocus();
    const QColor plain = ringPixel();
    EXPECT_GT(focused.blue() + focused.green(), plain.blue() + plain.green() + 120)
        << focused.name().toStdString() << " " << plain.name().toStdString();

    // Return and Space press the focused pill.
    startup->setFocus(Qt::TabFocusReason);
    QTest::keyClick(startup, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.navigation().tab() == SidebarTab::startup; }, 10000));
    sidebar = window->mainView()->sidebar();
    sidebar->themePill()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sidebar->themePill(), Qt::Key_Space);
    EXPECT_EQ(p.navigation().tab(), SidebarTab::theme);
    sidebar->preferencesPill()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sidebar->preferencesPill(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.navigation().showPreferences(); }, 10000));
    // A click does not take the focus.
    p.navigation().setShowPreferences(false);
    window->setFocus();
    QTest::mouseClick(sidebar->pill(SidebarTab::network), Qt::LeftButton);
    EXPECT_NE(QApplication::focusWidget(), sidebar->pill(SidebarTab::network));
}

TEST(Window, TheProgramHasItsOwnIconAndDesktopEntry)
{
    Program p;
    MainWindow* window = p.startShown();
    // Drawn, not blank: at 64 points it has see-through corners and the neon
    // rim; the application and the window show it.
    const QImage drawn = SweeplineApp::icon().pixmap(64).toImage();
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(drawn.pixelColor(0, 0).alpha(), 0);
    const QColor rim = drawn.pixelColor(drawn.width() / 2, int(drawn.height() * 0.25));
    EXPECT_GT(rim.blue(), 200);
    // Set once the first frame is out, so the window never waits for it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QApplication::windowIcon().isNull(); }, 10000));
    EXPECT_TRUE(window->hasPainted());
    EXPECT_EQ(QApplication::windowIcon().pixmap(64).toImage(), drawn);
    EXPECT_EQ(window->windowIcon().pixmap(64).toImage(), drawn);

    // The desktop entry names the program, its icon and its window class.
    QSettings entry(QStringLiteral(":/com.marrowind.tidewell.desktop"), QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value("Name").toString(), "Tidewell");
    EXPECT_EQ(entry.value("Exec").toString(), "tidewell");
    EXPECT_EQ(entry.value("Type").toString(), "Application");
    EXPECT_EQ(entry.value("Icon").toString(), SweeplineApp::bundleIdentifier());
    EXPECT_EQ(entry.value("StartupWMClass").toString(), SweeplineApp::displayName());
}
