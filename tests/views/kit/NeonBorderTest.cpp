#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonOverlay.h"
#include "support/ShellHarness.h"

#include <QBackingStore>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>

using namespace tw;
using namespace tw::test;

namespace {

// A border that counts its paints.
class CountingBorder : public ClockwiseNeonBorder {
public:
    using ClockwiseNeonBorder::ClockwiseNeonBorder;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        ++paints;
        ClockwiseNeonBorder::paintEvent(e);
    }
};

// Premultiplied brightness of a pixel: how much light the ring adds there.
int light(const QImage& img, int x, int y)
{
    const QRgb p = img.pixel(x, y);
    return qRed(p) + qGreen(p) + qBlue(p);
}

// The brightest pixel of the ring within a rectangle.
int brightestIn(const QImage& img, const QRect& r)
{
    int best = 0;
    for (int y = std::max(0, r.top()); y <= std::min(img.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(img.width() - 1, r.right()); ++x)
            best = std::max(best, light(img, x, y));
    return best;
}

struct ClockGuard {
    ~ClockGuard() { NeonAnimationClock::shared().setTimeSource({}); }
};

} // namespace

TEST(NeonBorder, AngleIsAFunctionOfTheClockAndTheDuration)
{
    // Whole turns since the reference date start at 0; a quarter of the duration later, 90 degrees.
    const double base = 4.0 * 200'000'000;
    EXPECT_DOUBLE_EQ(ClockwiseNeonBorder::degrees(base, 4), 0.0);
    EXPECT_NEAR(ClockwiseNeonBorder::degrees(base + 1, 4), 90.0, 1e-6);
    EXPECT_NEAR(ClockwiseNeonBorder::degrees(base + 3, 4), 270.0, 1e-6);
    // Jumps back to 0 after a full turn, never reaching 360.
    EXPECT_NEAR(ClockwiseNeonBorder::degrees(base + 4, 4), 0.0, 1e-6);
    EXPECT_LT(ClockwiseNeonBorder::degrees(base + 3.9999, 4), 360.0);
    EXPECT_NEAR(ClockwiseNeonBorder::degrees(1.3, 2.6), 180.0, 1e-9);
    // Before the reference date the angle stays within one turn.
    const double before = ClockwiseNeonBorder::degrees(-1, 4);
    EXPECT_NEAR(before, 270.0, 1e-9);
    // Two borders with the same duration agree whenever they were made.
    EXPECT_EQ(ClockwiseNeonBorder::degrees(812345.678, 2.6), ClockwiseNeonBorder::degrees(812345.678, 2.6));
}

TEST(NeonBorder, RotationMovesInWholeStepsBetweenTwelveAndThirtyASecond)
{
    for (double duration : {2.6, 1.0, 4.0, 11.3}) {
        const int n = ClockwiseNeonBorder::stepsPerTurn(duration);
        EXPECT_GE(n / duration, 12.0) << duration;
        EXPECT_LE(n / duration, 30.0) << duration;
        const double stepLength = duration / n;
        const double start = 1000 * duration;  // a whole number of turns
        for (int k = 0; k < n; ++k) {
            // Anywhere within a step the angle is the step's own, k / n of a turn.
            for (double into : {0.01, 0.5, 0.99}) {
                const double t = start + (k + into) * stepLength;
                EXPECT_EQ(ClockwiseNeonBorder::step(t, duration), k) << duration << " " << k << " " << into;
                EXPECT_NEAR(ClockwiseNeonBorder::degrees(t, duration), k * 360.0 / n, 1e-9);
                // The next step begins where the wait says.
                EXPECT_NEAR(ClockwiseNeonBorder::secondsToNextStep(t, duration), (1 - into) * stepLength, 1e-6);
            }
        }
        // The last step of a turn is followed by the first of the next.
        EXPECT_EQ(ClockwiseNeonBorder::step(start - 0.001, duration), n - 1);
        EXPECT_EQ(ClockwiseNeonBorder::step(start + 0.001, duration), 0);
    }
    // A nonsensical duration stands still rather than dividing by zero.
    EXPECT_EQ(ClockwiseNeonBorder::stepsPerTurn(0), 1);
    EXPECT_EQ(ClockwiseNeonBorder::degrees(12.5, 0), 0.0);
    EXPECT_EQ(ClockwiseNeonBorder::degrees(12.5, -3), 0.0);
}

TEST(NeonBorder, GradientHasOneWhiteStreakAndAFaintStart)
{
    for (AppAppearance a : allCases<AppAppearance>()) {
        EXPECT_EQ(ClockwiseNeonBorder::gradientColour(0.62, a), QColor(Qt::white)) << rawValue(a).toStdString();
        // The ring is nearly transparent at its start.
        EXPECT_NEAR(ClockwiseNeonBorder::gradientColour(0.0, a).alphaF(), AppTheme::neonGlow(a).alphaF() * 0.05, 0.01);
        EXPECT_NEAR(ClockwiseNeonBorder::gradientColour(1.0, a).alphaF(), AppTheme::neonGlow(a).alphaF() * 0.05, 0.01);
        // The streak is the brightest part.
        const QColor streak = ClockwiseNeonBorder::gradientColour(0.62, a);
        for (double l : {0.1, 0.35, 0.45, 0.9})
            EXPECT_LT(ClockwiseNeonBorder::gradientColour(l, a).alphaF(), streak.alphaF()) << l;
    }
    // Indigo's second stop is its pale blue at 0.9 x 0.25.
    EXPECT_NEAR(ClockwiseNeonBorder::gradientColour(0.35, AppAppearance::indigo).alphaF(), 0.9 * 0.25, 0.01);
    // The colour at an angle follows the rotation: the streak sits 0.62 turns after the start angle.
    EXPECT_EQ(ClockwiseNeonBorder::colourAtAngle(40 + 0.62 * 360, 40, AppAppearance::midnight), QColor(Qt::white));
    EXPECT_EQ(ClockwiseNeonBorder::colourAtAngle(0.62 * 360 - 400, 320, AppAppearance::midnight), QColor(Qt::white));
}

TEST(NeonBorder, StreakTravelsClockwiseAroundTheShape)
{
    QWidget host;
    host.resize(320, 220);
    auto* border = new ClockwiseNeonBorder(22, 1.8, 2.6, &host);
    border->setShapeGeometry(QRect(40, 30, 240, 160));
    const QRect shape = border->shapeRect();
    const int m = ClockwiseNeonBorder::margin();
    const int cx = shape.center().x();
    const int cy = shape.center().y();
    const QRect top(cx - 20, m - 2, 40, 12);
    const QRect right(shape.right() - 10, cy - 20, 12, 40);
    const QRect bottom(cx - 20, shape.bottom() - 10, 40, 12);
    const QRect left(m - 2, cy - 20, 12, 40);

    // The streak (0.62 of a turn, 223.2 degrees clockwise from the start) at twelve o'clock.
    const double streakOffset = 0.62 * 360;
    QImage up = border->render(270 - streakOffset, AppAppearance::midnight).copy();
    ASSERT_FALSE(up.isNull());
    EXPECT_GT(brightestIn(up, top), brightestIn(up, bottom) + 150);
    EXPECT_GT(brightestIn(up, top), brightestIn(up, left));
    EXPECT_GT(brightestIn(up, top), brightestIn(up, right));

    // A quarter turn later it stands at three o'clock: the motion is clockwise.
    QImage quarter = border->render(360 - streakOffset, AppAppearance::midnight).copy();
    EXPECT_GT(brightestIn(quarter, right), brightestIn(quarter, left) + 150);
    EXPECT_GT(brightestIn(quarter, right), brightestIn(quarter, top));

    // Nothing is painted inside the shape away from the ring, and the glow reaches outside the line.
    EXPECT_EQ(up.pixel(cx, cy), 0u);
    EXPECT_GT(qAlpha(up.pixel(cx, m - 2)), 0);
    // The band it repaints each tick covers the ring but not the middle.
    EXPECT_TRUE(border->bandRegion().contains(QPoint(cx, m)));
    EXPECT_FALSE(border->bandRegion().contains(QPoint(cx, cy)));
}

TEST(NeonBorder, NeverTakesClicks)
{
    QWidget window;
    window.resize(300, 200);
    auto* button = new QPushButton(QStringLiteral("Under"), &window);
    button->setGeometry(50, 50, 200, 100);
    auto* border = new ClockwiseNeonBorder(16, 1.6, 2.6, &window);
    border->setGeometry(window.rect());
    border->raise();
    QSignalSpy clicked(button, &QPushButton::clicked);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(window.childAt(QPoint(150, 100)), button);
    // Through the window, as a real click travels: on the edge where the border line lies too.
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(150, 100));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(51, 51));
    EXPECT_EQ(clicked.count(), 2);
}

TEST(NeonBorder, OneSharedClockRunsOnlyWhileBordersAreShown)
{
    ClockGuard restore;
    NeonAnimationClock& clock = NeonAnimationClock::shared();
    double now = 1000.0;
    clock.setTimeSource([&] { return now; });
    ASSERT_EQ(clock.borderCount(), 0);
    EXPECT_FALSE(clock.isRunning());

    QWidget window;
    window.resize(400, 300);
    auto* a = new CountingBorder(22, 1.8, 2.6, &window);
    auto* b = new CountingBorder(16, 1.6, 2.6, &window);
    a->setGeometry(0, 0, 200, 150);
    b->setGeometry(200, 150, 200, 150);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(clock.borderCount(), 2);
    EXPECT_TRUE(clock.isRunning());

    // The ticks wait for the next step: the first comes just after one begins.
    const int delay = clock.delayMs(now);
    EXPECT_GE(delay, NeonAnimationClock::minimumIntervalMs);
    EXPECT_NE(ClockwiseNeonBorder::step(now + delay / 1000.0, 2.6), ClockwiseNeonBorder::step(now, 2.6));
    const double justIn = now + ClockwiseNeonBorder::secondsToNextStep(now, 2.6) + 0.001;
    EXPECT_GE(clock.delayMs(justIn), int(1000 * 2.6 / ClockwiseNeonBorder::stepsPerTurn(2.6)) - 1);

    // With the clock standing still the angle does not move: no repaints however many ticks pass.
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->hasBackgroundSnapshot() && b->hasBackgroundSnapshot(); }, 10000));
    QCoreApplication::processEvents();
    const int settledA = a->paints;
    const qint64 ticks = clock.ticks();
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock.ticks() >= ticks + 3; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(a->paints, settledA);

    // When the clock moves, the next tick repaints.
    now += 0.1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->paints > settledA; }, 10000));

    // Hidden borders stop costing anything: the timer stops with the last one.
    window.hide();
    EXPECT_EQ(clock.borderCount(), 0);
    EXPECT_FALSE(clock.isRunning());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(clock.isRunning());
    delete a;
    delete b;
    EXPECT_FALSE(clock.isRunning());
}

namespace {

// A flat colour that can change.
class Swatch : public QWidget {
public:
    using QWidget::QWidget;
    QColor colour = Qt::red;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), colour);
    }
};

// Moves the test's clock on and lets the shared clock tick past it, so the
// borders have repainted at the new time.
void passTime(double& now, double seconds)
{
    now += seconds;
    const qint64 ticks = NeonAnimationClock::shared().ticks();
    ASSERT_TRUE(QTest::qWaitFor([&] { return NeonAnimationClock::shared().ticks() > ticks; }, 10000));
    QCoreApplication::processEvents();
}

// A 300 x 200 window of red with a border over it, on a clock the test moves.
struct BorderOverRed {
    ClockGuard restore;
    double now;
    QWidget window;
    Swatch* under = new Swatch(&window);
    ClockwiseNeonBorder* border = new ClockwiseNeonBorder(16, 1.6, 2.6, &window);

    explicit BorderOverRed(double start)
        : now(start)
    {
        NeonAnimationClock::shared().setTimeSource([this] { return now; });
        window.resize(300, 200);
        under->setGeometry(window.rect());
        border->setShapeGeometry(QRect(40, 40, 220, 120));
    }
};

} // namespace

TEST(NeonBorder, BandShowsWhatLiesBeneathEvenAfterItChanges)
{
    BorderOverRed scene(500.0);
    QWidget& window = scene.window;
    Swatch* under = scene.under;
    ClockwiseNeonBorder* border = scene.border;
    double& now = scene.now;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The border takes a picture of what lies beneath its band and then paints the band itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->hasBackgroundSnapshot(); }, 10000));
    const int taken = border->captureCount();
    passTime(now, 0.5);
    // A point in the band's corner, clear of the ring: the colour beneath shows through.
    const QPoint probe = border->pos() + border->bandRegion().boundingRect().topLeft() + QPoint(2, 2);
    ASSERT_TRUE(border->bandRegion().translated(border->pos()).contains(probe));
    auto sample = [&] { return window.grab().toImage().pixelColor(probe); };
    EXPECT_GT(sample().red(), 200);
    EXPECT_LT(sample().blue(), 80);

    // What lies beneath changes: the band must not keep showing the old picture.
    under->colour = Qt::blue;
    under->update();
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->captureCount() > taken; }, 10000));
    passTime(now, 0.5);
    const QColor after = sample();
    EXPECT_GT(after.blue(), 200);
    EXPECT_LT(after.red(), 80);

    // A theme or size change also retakes the picture.
    const int beforeResize = border->captureCount();
    border->setShapeGeometry(QRect(30, 30, 240, 140));
    EXPECT_TRUE(QTest::qWaitFor([&] { return border->captureCount() > beforeResize; }, 10000));
}

TEST(NeonBorder, ANewThemeShowsBeneathTheBandBeforeTheClockMoves)
{
    // The clock stands still (as while a modal alert holds the window): the
    // band must not keep the old theme's picture of what lies beneath.
    FakePlatform fake;
    SharedState state(fake.platform());
    state.theme().apply(AppAppearance::midnight, true);
    BorderOverRed scene(500.0);
    onThemeChange(scene.under, [&] {
        scene.under->colour = isDark(AppTheme::appearance()) ? QColor(Qt::red) : QColor(Qt::blue);
        scene.under->update();
    });
    scene.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&scene.window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scene.border->hasBackgroundSnapshot(); }, 10000));
    const QPoint probe = scene.border->pos() + scene.border->bandRegion().boundingRect().topLeft() + QPoint(2, 2);
    auto sample = [&] { return scene.window.grab().toImage().pixelColor(probe); };
    EXPECT_GT(sample().red(), 200);

    state.theme().apply(AppAppearance::classic, true);
    const QColor after = sample();
    EXPECT_GT(after.blue(), 200);
    EXPECT_LT(after.red(), 80);
}

TEST(NeonBorder, EachStepIsTheRingOverTheSnapshotComposedOnce)
{
    ClockGuard restore;
    const double duration = 2.6;
    const int n = ClockwiseNeonBorder::stepsPerTurn(duration);
    const double turn0 = 1000 * duration;
    double now = turn0 + 0.5 * duration / n;
    NeonAnimationClock::shared().setTimeSource([&] { return now; });
    QWidget window;
    window.resize(300, 200);
    auto* under = new Swatch(&window);
    under->setGeometry(window.rect());
    auto* border = new ClockwiseNeonBorder(16, 1.6, duration, &window);
    border->setShapeGeometry(QRect(40, 40, 220, 120));
    border->setOpacity(0.5);
    border->raise();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->hasBackgroundSnapshot(); }, 10000));

    const QRegion band = border->bandRegion().translated(border->pos());
    // The window at a step of a turn, once the tick has painted it.
    auto shownAt = [&](int turn, int k) {
        now = turn0 + turn * duration + (k + 0.5) * duration / n;
        const int composes = border->composeCount();
        EXPECT_TRUE(QTest::qWaitFor([&] { return border->composeCount() > composes; }, 10000)) << turn << " " << k;
        // However many ticks and repaints follow, the step is composed once.
        const qint64 ticks = NeonAnimationClock::shared().ticks();
        EXPECT_TRUE(QTest::qWaitFor([&] { return NeonAnimationClock::shared().ticks() >= ticks + 2; }, 10000));
        EXPECT_TRUE(border->hasBackgroundSnapshot());
        const QImage shot = window.grab().toImage();
        EXPECT_EQ(border->composeCount(), composes + 1) << turn << " " << k;
        // Back to painting from the snapshot before the next step.
        EXPECT_TRUE(QTest::qWaitFor([&] { return border->hasBackgroundSnapshot(); }, 10000));
        return shot;
    };
    auto sameInBand = [&](const QImage& a, const QImage& b) {
        for (const QRect& r : band)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (a.pixel(x, y) != b.pixel(x, y))
                        return false;
        return true;
    };

    const QImage first = shownAt(0, 3);
    const QImage next = shownAt(0, 4);
    const QImage later = shownAt(0, n - 2);
    const QImage again = shownAt(1, 3);
    // A step shows the same whichever steps came before it, and the streak moves.
    EXPECT_TRUE(sameInBand(first, again));
    EXPECT_FALSE(sameInBand(first, next));
    EXPECT_FALSE(sameInBand(first, later));

    // The band is the ring alone laid over the red beneath it.
    const QImage ring = border->render(3 * 360.0 / n, AppAppearance::midnight);
    int worst = 0, lit = 0;
    for (const QRect& r : band)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb c = ring.pixel(x - border->x(), y - border->y());
                const int inv = 255 - qAlpha(c);
                const QColor expected(qMin(255, qRed(c) + 255 * inv / 256), qGreen(c), qBlue(c));
                const QColor shown = first.pixelColor(x, y);
                worst = std::max({worst, std::abs(shown.red() - expected.red()),
                                  std::abs(shown.green() - expected.green()),
                                  std::abs(shown.blue() - expected.blue())});
                if (qAlpha(c) > 40)
                    ++lit;
            }
    EXPECT_LE(worst, 2);
    EXPECT_GT(lit, 100);
}

namespace {

// An overlay and a child of it, both painting green over a border's band.
class GreenOverlay : public NeonOverlay {
public:
    using NeonOverlay::NeonOverlay;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::green); }
};

} // namespace

TEST(NeonBorder, SnapshotLeavesOutOverlaysAndWhatTheyHold)
{
    BorderOverRed scene(700.0);
    QWidget& window = scene.window;
    ClockwiseNeonBorder* border = scene.border;
    // Above the border: an overlay over its top-left corner, and a plain
    // widget inside another overlay over its bottom-right one.
    auto* overlay = new GreenOverlay(&window);
    overlay->setGeometry(20, 20, 60, 60);
    auto* holder = new NeonOverlay(&window);
    holder->setGeometry(220, 120, 60, 60);
    auto* inside = new Swatch(holder);
    inside->colour = Qt::green;
    inside->setGeometry(holder->rect());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->captureCount() > 0 && border->hasBackgroundSnapshot(); }, 10000));

    // The picture beneath the band is the red beneath, nowhere the green above.
    const QImage shot = border->snapshot();
    ASSERT_FALSE(shot.isNull());
    int red = 0;
    for (const QRect& r : border->bandRegion())
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                ASSERT_LT(c.green(), 30) << x << "," << y;
                red += c.red() > 200 ? 1 : 0;
            }
    EXPECT_GT(red, 500);
    // The overlays themselves still show in the window.
    const QImage window_ = window.grab().toImage();
    EXPECT_GT(window_.pixelColor(30, 30).green(), 200);
    EXPECT_GT(window_.pixelColor(270, 170).green(), 200);
}

TEST(NeonBorder, InATranslucentWindowAStepIsWrittenInPlaceAndWhatLiesAboveStaysOnTop)
{
    BorderOverRed scene(900.0);
    QWidget& window = scene.window;
    ClockwiseNeonBorder* border = scene.border;
    window.setAttribute(Qt::WA_TranslucentBackground);
    border->setOpacity(0.5);
    border->raise();
    auto* overlay = new GreenOverlay(&window);
    overlay->setGeometry(20, 20, 60, 60);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->hasBackgroundSnapshot(); }, 2000));

    // Steps go on until one is written straight into the backing store.
    const double duration = border->duration();
    const int n = ClockwiseNeonBorder::stepsPerTurn(duration);
    const double turn0 = std::ceil(scene.now / duration) * duration;
    int k = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (border->directCount() > 0)
                return true;
            k = (k + 1) % n;
            scene.now = turn0 + (k + 0.5) * duration / n;
            return false;
        },
        5000));
    QCoreApplication::processEvents();
    QBackingStore* store = window.backingStore();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->paintDevice()->devType(), QInternal::Image);
    const QImage shown = *static_cast<QImage*>(store->paintDevice());

    // The band holds this step's ring over the red, but where the overlay lies.
    const QImage ring = border->render(ClockwiseNeonBorder::degrees(scene.now, duration), AppAppearance::midnight);
    const QRegion band = border->bandRegion().translated(border->pos());
    int worst = 0, lit = 0, green = 0;
    for (const QRect& r : band)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor seen = QColor::fromRgba(qUnpremultiply(shown.pixel(x, y)));
                if (overlay->geometry().contains(x, y)) {
                    EXPECT_GT(seen.green(), 200) << x << "," << y;
                    ++green;
                    continue;
                }
                const QRgb c = ring.pixel(x - border->x(), y - border->y());
                const int inv = 255 - qAlpha(c);
                worst = std::max({worst, std::abs(seen.red() - qMin(255, qRed(c) + 255 * inv / 256)),
                                  std::abs(seen.green() - qGreen(c)), std::abs(seen.blue() - qBlue(c))});
                if (qAlpha(c) > 40)
                    ++lit;
            }
    EXPECT_LE(worst, 2);
    EXPECT_GT(lit, 100);
    EXPECT_GT(green, 50);
}

TEST(NeonBorder, TakesNoSnapshotBeforeItHasPainted)
{
    BorderOverRed scene(500.0);
    ClockwiseNeonBorder* border = scene.border;
    scene.window.show();
    // Shown, not yet painted: a tick then must not render the window beneath
    // the band (that would only hold the first frame up).
    border->beneathChanged(border->rect());
    border->advance(scene.now + 1);
    EXPECT_EQ(border->captureCount(), 0);
    EXPECT_FALSE(border->hasBackgroundSnapshot());
    // Once painted, the pending snapshot is taken on a tick.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&scene.window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return border->hasBackgroundSnapshot(); }, 10000));
    EXPECT_GE(border->captureCount(), 1);
}
