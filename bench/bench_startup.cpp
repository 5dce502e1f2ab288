// Start-up of the main window against a minimal Qt Widgets window inside one
// process, and the processor time the animated neon borders cost while the
// window sits idle. (Whole processes, launched to their first frame, are
// measured by bench_launch.)
//
// BM_StartupToFirstPaint is the breakdown inside a running process: both
// windows are timed from their construction to the end of their first
// complete paint. The Tidewell side builds the shared state and the engines,
// the whole window with its neon components and their glows (with the picture
// cache emptied first, as at a cold start), and must not start application
// discovery before that first paint.

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "app/SweeplineApp.h"
#include "engine/inventory/AppScanner.h"
#include "platform/Platform.h"
#include "platform/ThreadPool.h"
#include "state/AppNavigation.h"
#include "state/MainWindowCloseGuard.h"
#include "state/MainWindowOpenBridge.h"
#include "state/SharedState.h"
#include "state/WindowNotices.h"
#include "support/FakePlatform.h"
#include "support/HostProgramParts.h"
#include "support/MacTree.h"
#include "views/kit/Glow.h"
#include "views/kit/NeonBorder.h"
#include "views/kit/NeonShadow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QLabel>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <unistd.h>

using namespace tw;

namespace {

using bench::median;

test::FakePlatform& fixture()
{
    static test::FakePlatform* p = [] {
        auto* fp = new test::FakePlatform;
        for (int i = 0; i < 40; ++i)
            fp->tree().makeApp(QStringLiteral("/Applications/App%1.app").arg(i),
                               QStringLiteral("com.vendor%1.app").arg(i), QStringLiteral("App %1").arg(i));
        return fp;
    }();
    return *p;
}

// What main hands the program, over the fixture; kept, as the fixture is.
test::HostProgramParts& programParts()
{
    static auto* parts = new test::HostProgramParts(fixture());
    return *parts;
}

// Spins the event loop until done: no sleeping, so no latency is added.
void waitUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Runs the event loop, idle, for ms milliseconds.
void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void settle()
{
    for (int i = 0; i < 50; ++i) {
        tw::waitForEnginePool();
        QCoreApplication::processEvents();
    }
}

// The reference: one window of the same size with a label, painted once.
class MinimalWindow : public QWidget {
public:
    MinimalWindow()
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Tidewell")));
        resize(1100, 680);
    }
    bool painted = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        painted = true;
    }
};

double minimalStartMs()
{
    QElapsedTimer t;
    t.start();
    auto* w = new MinimalWindow;
    w->show();
    waitUntil([&] { return w->painted; });
    QCoreApplication::processEvents();  // its label paints in the same pass
    const double ms = t.nsecsElapsed() / 1e6;
    delete w;
    QCoreApplication::processEvents();
    return ms;
}

// Where the Tidewell start-up spends its time.
struct Phases {
    double state = 0;   // shared state, engines, commands
    double window = 0;  // the main window's widgets
    double paint = 0;   // show to the end of the first frame
};

// Returns the time to the first complete frame; sets early when discovery
// started before it.
double tidewellStartMs(bool& early, Phases* phases = nullptr)
{
    neon::clearImageCache();
    QElapsedTimer t;
    t.start();
    double ms = 0;
    {
        SweeplineApp app(fixture().platform(), programParts().parts());
        app.scanner();
        app.cleaner();
        const double stateMs = t.nsecsElapsed() / 1e6;
        app.createMainWindow();
        const double windowMs = t.nsecsElapsed() / 1e6;
        bool painted = false;
        bool scanBeforePaint = false;
        QObject::connect(&app.scanner(), &AppScanner::scanningChanged, [&] {
            if (!painted && app.scanner().isScanning())
                scanBeforePaint = true;
        });
        app.start();
        QObject::connect(app.mainWindow(), &MainWindow::firstPainted, [&] {
            if (!painted)
                ms = t.nsecsElapsed() / 1e6;
            painted = true;
        });
        waitUntil([&] { return painted; });
        early = early || scanBeforePaint;
        if (phases) {
            phases->state += stateMs;
            phases->window += windowMs - stateMs;
            phases->paint += ms - windowMs;
        }
        // Let the discovery that follows the paint finish before tearing down.
        waitUntil([&] { return app.scanner().isScanning() || !app.scanner().apps().isEmpty(); });
        waitUntil([&] { return !app.scanner().isScanning(); });
        settle();
    }
    QCoreApplication::processEvents();
    return ms;
}

void BM_StartupToFirstPaint(benchmark::State& state)
{
    fixture();
    // One unmeasured round of each warms the font database and the platform plugin.
    bool early = false;
    minimalStartMs();
    tidewellStartMs(early);
    double minimal = 0, tidewell = 0;
    Phases phases;
    for (auto _ : state) {
        const double m = minimalStartMs();
        const double w = tidewellStartMs(early, &phases);
        minimal += m;
        tidewell += w;
        state.SetIterationTime((m + w) / 1000.0);
    }
    const double n = double(state.iterations());
    state.counters["minimal_ms"] = minimal / n;
    state.counters["tidewell_ms"] = tidewell / n;
    state.counters["ratio"] = tidewell / minimal;
    state.counters["state_ms"] = phases.state / n;
    state.counters["window_ms"] = phases.window / n;
    state.counters["paint_ms"] = phases.paint / n;
    if (early)
        state.SkipWithError("application discovery started before the first paint");
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Starts the program and lets it come to rest: discovery done, the leftover
// prefetch settled, the borders' frames made over one whole turn. The
// removal watcher's poll is not an idle cost measured here: detection off.
void startIdle(SweeplineApp& app)
{
    fixture().settings.setValue(QStringLiteral("settings.detectTrashRemovals"), false);
    app.start();
    waitUntil([&] { return app.mainWindow()->hasPainted(); });
    waitUntil([&] { return !app.scanner().apps().isEmpty() && !app.scanner().isScanning(); });
    settle();
    idleFor(3000);
    settle();
}

// Idle window: only the neon borders animate. Measures process CPU time in
// rounds of one second with the borders running, each followed by one second
// with the clock frozen (the timer ticks at its usual pace, nothing repaints);
// the border's cost is the median of the rounds' differences, which keeps the
// figure steady on a machine whose speed drifts. Then the window is hidden
// (the clock stops) for comparison.
void BM_IdleNeonBorderCpu(benchmark::State& state)
{
    const int rounds = int(state.range(0));
    SweeplineApp app(fixture().platform(), programParts().parts());
    startIdle(app);

    NeonAnimationClock& clock = NeonAnimationClock::shared();
    const QList<ClockwiseNeonBorder*> borders = app.mainWindow()->findChildren<ClockwiseNeonBorder*>();
    const double duration = borders.isEmpty() ? 1.0 : borders.first()->duration();
    auto composed = [&] {
        int n = 0;
        for (const ClockwiseNeonBorder* b : borders)
            n += b->composeCount();
        return n;
    };
    // CPU percent and ticks per second over one window of the event loop.
    struct Window {
        double percent = 0;
        double ticksPerSecond = 0;
        double composesPerSecond = 0;
    };
    auto measure = [&](int ms) {
        const qint64 ticks0 = clock.ticks();
        const int composes0 = composed();
        QElapsedTimer wall;
        const double cpu0 = processCpuSeconds();
        wall.start();
        idleFor(ms);
        const double elapsed = wall.nsecsElapsed() / 1e9;
        return Window{100.0 * (processCpuSeconds() - cpu0) / elapsed, double(clock.ticks() - ticks0) / elapsed,
                      double(composed() - composes0) / elapsed};
    };

    std::vector<double> animating, frozen, difference, ticks, frozenTicks, composes;
    double hiddenPercent = 0;
    for (auto _ : state) {
        QElapsedTimer total;
        total.start();
        for (int i = 0; i < rounds; ++i) {
            const Window shown = measure(1000);
            // Frozen just after a step begins, the clock keeps its usual pace.
            const double frozenAt = clock.now() + ClockwiseNeonBorder::secondsToNextStep(clock.now(), duration) + 0.002;
            clock.setTimeSource([frozenAt] { return frozenAt; });
            idleFor(100);
            const Window still = measure(1000);
            clock.setTimeSource({});
            idleFor(100);
            animating.push_back(shown.percent);
            frozen.push_back(still.percent);
            difference.push_back(shown.percent - still.percent);
            ticks.push_back(shown.ticksPerSecond);
            composes.push_back(shown.composesPerSecond);
            frozenTicks.push_back(still.ticksPerSecond);
        }

        app.mainWindow()->hide();
        hiddenPercent = measure(2000).percent;
        app.mainWindow()->show();
        waitUntil([&] { return app.mainWindow()->isVisible(); });
        state.SetIterationTime(total.nsecsElapsed() / 1e9);
    }
    state.counters["cpu_percent_animating"] = median(animating);
    state.counters["cpu_percent_frozen"] = median(frozen);
    state.counters["cpu_percent_hidden"] = hiddenPercent;
    state.counters["border_cpu_percent"] = median(difference);
    state.counters["border_ticks_per_s"] = median(ticks);
    state.counters["frozen_ticks_per_s"] = median(frozenTicks);
    state.counters["running_borders"] = clock.borderCount();
    // Band frames composed per second while animating (one per step and border).
    state.counters["frames_composed_per_s"] = median(composes);
    settle();
    fixture().settings.setValue(QStringLiteral("settings.detectTrashRemovals"), true);
}
BENCHMARK(BM_IdleNeonBorderCpu)->Arg(12)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The System tab idle: the program's processor time with the System tab
// shown (its live cards refreshed every second from this machine's /proc)
// against the same window with the Theme tab shown, in alternating rounds of
// two seconds; the tab's cost is the median of the rounds' differences, in
// percent of one core.
void BM_IdleSystemTabCpu(benchmark::State& state)
{
    const int rounds = int(state.range(0));
    SweeplineApp app(fixture().platform(), programParts().parts());
    startIdle(app);
    AppNavigation& navigation = app.state().navigation();
    auto percentWith = [&](SidebarTab tab) {
        navigation.setTab(tab);
        idleFor(500);  // the tab is built and painted before the measure
        QElapsedTimer wall;
        const double cpu0 = processCpuSeconds();
        wall.start();
        idleFor(2000);
        return 100.0 * (processCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    };
    std::vector<double> system, other, difference;
    for (auto _ : state) {
        QElapsedTimer total;
        total.start();
        for (int i = 0; i < rounds; ++i) {
            const double shown = percentWith(SidebarTab::system);
            const double without = percentWith(SidebarTab::theme);
            system.push_back(shown);
            other.push_back(without);
            difference.push_back(shown - without);
        }
        state.SetIterationTime(total.nsecsElapsed() / 1e9);
    }
    state.counters["cpu_percent_system_tab"] = median(system);
    state.counters["cpu_percent_theme_tab"] = median(other);
    state.counters["system_tab_cpu_percent"] = median(difference);
    settle();
    fixture().settings.setValue(QStringLiteral("settings.detectTrashRemovals"), true);
}
BENCHMARK(BM_IdleSystemTabCpu)->Arg(5)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

TIDEWELL_WIDGETS_BENCHMARK_MAIN()
