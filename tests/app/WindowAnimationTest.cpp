#include "support/HostProgramParts.h"
#include "app/SweeplineApp.h"
#include "support/ShellHarness.h"
#include "views/kit/NeonBorder.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

struct ClockGuard {
    ~ClockGuard() { NeonAnimationClock::shared().setTimeSource({}); }
};

} // namespace

TEST(NeonBorder, HiddenOrMinimisedWindowsStopAnimating)
{
    ClockGuard restore;
    NeonAnimationClock& clock = NeonAnimationClock::shared();
    double now = 3000.0;
    clock.setTimeSource([&] { return now; });
    FakePlatform fake;
    HostProgramParts parts{fake};
    auto app = std::make_unique<SweeplineApp>(fake.platform(), parts.parts());
    app->start();
    MainWindow* window = app->mainWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->hasPainted(); }, 10000));
    const QList<ClockwiseNeonBorder*> borders = window->findChildren<ClockwiseNeonBorder*>();
    ASSERT_FALSE(borders.isEmpty());
    EXPECT_EQ(clock.borderCount(), borders.size());
    EXPECT_TRUE(clock.isRunning());
    auto composed = [&] {
        int c = 0;
        for (const ClockwiseNeonBorder* b : borders)
            c += b->composeCount();
        return c;
    };

    // Minimised: no timer, and time passing repaints nothing.
    window->setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(clock.borderCount(), 0);
    EXPECT_FALSE(clock.isRunning());
    const qint64 ticks = clock.ticks();
    const int composes = composed();
    now += 1.0;
    drainEvents();  // the clock's timer is stopped: only posted work could repaint
    EXPECT_EQ(clock.ticks(), ticks);
    EXPECT_EQ(composed(), composes);

    // Restored, it runs again.
    window->setWindowState(Qt::WindowNoState);
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock.isRunning(); }, 10000));
    EXPECT_EQ(clock.borderCount(), borders.size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return clock.ticks() > ticks; }, 10000));

    // Closed (the window hides): stopped again.
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(clock.borderCount(), 0);
    EXPECT_FALSE(clock.isRunning());
    const qint64 closedTicks = clock.ticks();
    now += 1.0;
    drainEvents();
    EXPECT_EQ(clock.ticks(), closedTicks);
    drainScans(&app->scanner(), &app->cleaner());
}
