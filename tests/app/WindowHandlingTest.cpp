#include "state/AppSettings.h"
#include "state/AppNavigation.h"
#include "state/Brand.h"
#include "state/SharedState.h"
#include "app/SingleInstance.h"
#include "app/ThemeGlassBackground.h"
#include "app/WindowChrome.h"
#include "state/WindowNotices.h"
#include "state/MainWindowCloseGuard.h"
#include "state/MainWindowOpenBridge.h"
#include "app/AppDelegate.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

using namespace tw;
using tw::test::FakePlatform;

namespace {

std::unique_ptr<QMainWindow> mainWindow(int w, int h, Qt::WindowFlags flags = {})
{
    auto window = std::make_unique<QMainWindow>(nullptr, flags);
    window->setCentralWidget(new QWidget);
    window->resize(w, h);
    return window;
}

// Runs the event loop until exit(7) after ms, or until something else ends it.
int runEventLoopFor(int ms)
{
    QTimer::singleShot(ms, [] { QCoreApplication::exit(7); });
    return QApplication::exec();
}

// Presses the left button at from, moves to to and releases it there.
void drag(QWidget* target, QPoint from, QPoint to)
{
    const auto send = [target](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The shared state over a fake platform; quitting on the last window closed,
// which an AppDelegate turns off, is put back after each test.
struct WindowHandlingTest : ::testing::Test {
    ~WindowHandlingTest() override { QGuiApplication::setQuitOnLastWindowClosed(true); }
    FakePlatform fake;
    SharedState state{fake};
};

} // namespace

TEST_F(WindowHandlingTest, PicksTheLargestQualifyingWindow)
{
    auto small = mainWindow(1100, 680);
    auto large = mainWindow(1200, 700);
    EXPECT_EQ(AppNavigation::pickMainWindow({small.get(), large.get()}), large.get());
    EXPECT_EQ(AppNavigation::pickMainWindow({large.get(), small.get()}), large.get());

    // Equal areas: the first in the list wins.
    auto twin = mainWindow(1100, 680);
    EXPECT_EQ(AppNavigation::pickMainWindow({small.get(), twin.get()}), small.get());
    EXPECT_EQ(AppNavigation::pickMainWindow({twin.get(), small.get()}), twin.get());

    // Too narrow, panels and windows without content never qualify, however large.
    auto narrow = mainWindow(480, 900);
    auto low = mainWindow(900, 399);
    auto tool = mainWindow(1600, 1000, Qt::Tool);
    auto popup = mainWindow(1600, 1000, Qt::Popup);
    QMainWindow empty;
    empty.resize(1600, 1000);
    QWidget bare;
    bare.resize(1600, 1000);
    const QWidgetList losers{narrow.get(), low.get(), tool.get(), popup.get(), &empty, &bare};
    EXPECT_EQ(AppNavigation::pickMainWindow(losers), nullptr);
    EXPECT_EQ(AppNavigation::pickMainWindow(losers + QWidgetList{small.get()}), small.get());

    // Exactly 500 x 400 qualifies; a plain widget with a layout has content.
    QWidget plain;
    new QVBoxLayout(&plain);
    plain.resize(500, 400);
    EXPECT_EQ(AppNavigation::pickMainWindow({&bare, &plain}), &plain);

    // Hidden windows count.
    large->show();
    large->hide();
    EXPECT_EQ(AppNavigation::pickMainWindow({small.get(), large.get()}), large.get());
}

TEST_F(WindowHandlingTest, OpenMainWindowBringsTheHiddenWindowBack)
{
    QSignalSpy reopen(&state.notices(), &WindowNotices::reopenMainWindow);

    auto main = mainWindow(1100, 680);
    auto narrow = mainWindow(480, 900);
    auto tool = mainWindow(1400, 900, Qt::Tool);
    main->show();
    narrow->show();
    tool->show();
    main->hide();

    state.navigation().openMainWindow(std::nullopt, false, false);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(reopen.count(), 0);

    main->showMinimized();
    state.navigation().openMainWindow(SidebarTab::updates, false, false);
    EXPECT_FALSE(main->isMinimized());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(state.navigation().tab(), SidebarTab::updates);

    // Only panels and small windows left: a new window is asked for.
    main.reset();
    state.navigation().openMainWindow(std::nullopt, false, false);
    EXPECT_EQ(reopen.count(), 1);
}

TEST_F(WindowHandlingTest, AHiddenWindowComesBackWhereItWas)
{
    auto window = mainWindow(1100, 680);
    WindowChrome::install(window.get());
    auto hideAndOpen = [&] {
        state.closeGuard().hideMainWindow(window.get());  // the close shortcut
        ASSERT_FALSE(window->isVisible());
        state.navigation().openMainWindow(std::nullopt, false, false);  // "Open Tidewell"
        ASSERT_TRUE(window->isVisible());
    };

    // Placed by the desktop, not by the program.
    window->show();
    ASSERT_FALSE(window->testAttribute(Qt::WA_Moved));
    const QPoint placed = window->pos();
    hideAndOpen();
    EXPECT_EQ(window->pos(), placed);
    // Its place is asked for now: a window manager places anew a window that leaves it to it.
    EXPECT_TRUE(window->testAttribute(Qt::WA_Moved));

    // Dragged elsewhere, hidden, back: where it was dragged.
    window->move(150, 110);
    hideAndOpen();
    EXPECT_EQ(window->pos(), QPoint(150, 110));
    EXPECT_EQ(window->windowHandle()->framePosition(), QPoint(150, 110));

    // A place the program gives it while hidden stands.
    state.closeGuard().hideMainWindow(window.get());
    window->move(240, 60);
    state.navigation().openMainWindow(std::nullopt, false, false);
    EXPECT_EQ(window->pos(), QPoint(240, 60));
    hideAndOpen();
    EXPECT_EQ(window->pos(), QPoint(240, 60));
}

TEST_F(WindowHandlingTest, AmongEqualWindowsTheEarlierOneWins)
{
    for (bool firstShownFirst : {true, false}) {
        auto first = mainWindow(1100, 680);
        auto second = mainWindow(1100, 680);
        QMainWindow* earlier = firstShownFirst ? first.get() : second.get();
        QMainWindow* later = firstShownFirst ? second.get() : first.get();
        earlier->show();
        later->show();
        earlier->hide();
        later->hide();
        state.navigation().openMainWindow(std::nullopt, false, false);
        EXPECT_TRUE(earlier->isVisible());
        EXPECT_FALSE(later->isVisible());
    }
}

TEST_F(WindowHandlingTest, ReopenBridgeMakesANewWindowOnlyWhenNoneQualifies)
{
    auto tool = mainWindow(1400, 900, Qt::Tool);
    tool->show();

    std::unique_ptr<QMainWindow> made;
    int calls = 0;
    state.openBridge().setFactory([&]() -> QWidget* {
        ++calls;
        made = mainWindow(1100, 680);
        return made.get();
    });
    QSignalSpy opened(&state.openBridge(), &MainWindowOpenBridge::windowOpened);

    state.navigation().openMainWindow(std::nullopt, false, false);
    ASSERT_EQ(calls, 1);
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->isVisible());
    EXPECT_EQ(opened.count(), 1);

    // The made window now qualifies: it is brought back, not made again.
    made->hide();
    state.navigation().openMainWindow(std::nullopt, false, false);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(made->isVisible());
}

TEST_F(WindowHandlingTest, ClosingHidesAndTheProgramKeepsRunning)
{
    AppDelegate delegate(state.navigation());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());

    auto main = mainWindow(1100, 680);
    main->setAttribute(Qt::WA_DeleteOnClose, true);
    WindowChrome::install(main.get());
    EXPECT_FALSE(main->testAttribute(Qt::WA_DeleteOnClose));
    main->show();
    QPointer<QMainWindow> alive(main.get());

    QTimer::singleShot(0, main.get(), [&] { main->close(); });
    EXPECT_EQ(runEventLoopFor(200), 7);  // closing the last window did not end the loop
    ASSERT_TRUE(alive);
    EXPECT_FALSE(main->isVisible());

    // A reopen with visible windows does nothing; without, the window comes back.
    auto other = mainWindow(600, 500);
    other->show();
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(AppDelegate::hasVisibleWindows()));
    EXPECT_FALSE(main->isVisible());
    other->hide();
    EXPECT_FALSE(AppDelegate::hasVisibleWindows());
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
    EXPECT_TRUE(main->isVisible());
}

TEST_F(WindowHandlingTest, QuittingStillWorksWithAGuardedWindow)
{
    AppDelegate delegate(state.navigation());
    auto main = mainWindow(1100, 680);
    WindowChrome::install(main.get());
    main->show();
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    EXPECT_EQ(runEventLoopFor(3000), 0);
}

TEST_F(WindowHandlingTest, CloseGuardAttachesOnceAndHidesOnClose)
{
    MainWindowCloseGuard& guard = state.closeGuard();
    auto main = mainWindow(1100, 680);
    auto plain = mainWindow(700, 500);
    main->show();
    plain->show();

    guard.attach(main.get());
    guard.attach(main.get());
    EXPECT_EQ(guard.attachedCount(), 1);
    EXPECT_TRUE(guard.isAttached(main.get()));

    QCloseEvent guarded;
    QApplication::sendEvent(main.get(), &guarded);
    EXPECT_FALSE(guarded.isAccepted());
    EXPECT_FALSE(main->isVisible());
    QCloseEvent unguarded;
    QApplication::sendEvent(plain.get(), &unguarded);
    EXPECT_TRUE(unguarded.isAccepted());

    // The close button's action hides the window it sits in.
    main->show();
    auto button = new QPushButton(main->centralWidget());
    guard.hideMainWindow(button);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(plain->isVisible());

    // Sent by something that is not a widget: the active window goes.
    QObject menuAction;
    plain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(plain.get()));
    guard.hideMainWindow(&menuAction);
    EXPECT_FALSE(plain->isVisible());

    main.reset();
    EXPECT_EQ(guard.attachedCount(), 0);
}

TEST_F(WindowHandlingTest, ChromeShapesAndMovesTheWindow)
{
    auto main = mainWindow(1100, 680);
    auto button = new QPushButton(QStringLiteral("Go"), main->centralWidget());
    button->setGeometry(300, 300, 120, 40);

    WindowChrome* chrome = WindowChrome::install(main.get());
    ASSERT_NE(chrome, nullptr);
    EXPECT_EQ(WindowChrome::install(main.get()), chrome);
    EXPECT_EQ(chrome->cornerRadius(), 20.0);
    EXPECT_TRUE(main->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(main->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(state.closeGuard().isAttached(main.get()));

    // Rounded corners: the corner pixels are cut, the edges between them are not.
    QRegion mask = main->mask();
    EXPECT_FALSE(mask.contains(QPoint(3, 3)));
    EXPECT_FALSE(mask.contains(QPoint(1099, 679)));
    EXPECT_TRUE(mask.contains(QPoint(1, 340)));
    EXPECT_TRUE(mask.contains(QPoint(20, 20)));

    main->move(100, 100);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    // The mask follows the size.
    main->resize(1300, 800);
    mask = main->mask();
    EXPECT_TRUE(mask.contains(QPoint(1250, 400)));
    EXPECT_FALSE(mask.contains(QPoint(1299, 799)));

    // Dragging the background moves the window; dragging a button does not.
    const QPoint start = main->pos();
    QWidget* background = main->centralWidget();
    drag(background, {50, 50}, {90, 80});
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->pos() == start + QPoint(40, 30); }, 10000))
        << main->pos().x() << "," << main->pos().y();

    const QPoint before = main->pos();
    drag(button, {10, 10}, {60, 60});
    // A background drag after it moves the window by its own offset only.
    drag(background, {50, 50}, {60, 55});
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->pos() != before; }, 10000));
    EXPECT_EQ(main->pos(), before + QPoint(10, 5));

    // The palette follows the theme.
    EXPECT_EQ(main->palette().color(QPalette::Window), AppTheme::panelBase(AppAppearance::midnight));
    state.theme().apply(AppAppearance::classic, true);
    EXPECT_EQ(chrome->appearance(), AppAppearance::classic);
    EXPECT_EQ(main->palette().color(QPalette::Window), AppTheme::panelBase(AppAppearance::classic));
    EXPECT_EQ(main->palette().color(QPalette::WindowText), AppTheme::primaryText(AppAppearance::classic));
}

TEST_F(WindowHandlingTest, GlassBackgroundFollowsTheTheme)
{
    ThemeGlassBackground glass;
    EXPECT_EQ(glass.material(), ThemeGlassBackground::Material::hudWindow);
    EXPECT_TRUE(glass.isDarkAppearance());

    state.theme().apply(AppAppearance::classic, true);
    EXPECT_EQ(glass.material(), ThemeGlassBackground::Material::headerView);
    EXPECT_FALSE(glass.isDarkAppearance());
    state.theme().apply(AppAppearance::indigo, true);
    EXPECT_EQ(glass.material(), ThemeGlassBackground::Material::underWindowBackground);
    EXPECT_TRUE(glass.isDarkAppearance());

    // The pane is painted with rounded corners: the corner stays clear.
    glass.resize(200, 120);
    QImage image(glass.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    glass.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    const QColor centre = image.pixelColor(100, 60);
    const QColor tint = ThemeGlassBackground::tint(ThemeGlassBackground::Material::underWindowBackground);
    EXPECT_NEAR(centre.alphaF(), tint.alphaF(), 0.02);
    EXPECT_NEAR(centre.blueF(), tint.blueF(), 0.02);
}

TEST_F(WindowHandlingTest, SecondLaunchAsksTheFirstToComeForward)
{
    const QString name = QStringLiteral("tidewell-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    auto first = std::make_unique<SingleInstanceGuard>(name);
    ASSERT_TRUE(first->tryBecomePrimary());
    EXPECT_TRUE(first->isPrimary());
    QSignalSpy reopen(first.get(), &SingleInstanceGuard::reopenRequested);

    SingleInstanceGuard second(name);
    // Both copies share this thread: the first reads the request only once
    // the second has stopped waiting for its answer.
    second.setPatience(200);
    EXPECT_FALSE(second.tryBecomePrimary());
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(reopen.wait(10000));
    EXPECT_EQ(reopen.count(), 1);

    // Once the first copy is gone the next launch runs.
    first.reset();
    SingleInstanceGuard third(name);
    EXPECT_TRUE(third.tryBecomePrimary());
    EXPECT_TRUE(third.isPrimary());
    EXPECT_FALSE(SingleInstanceGuard::defaultName().isEmpty());
}
