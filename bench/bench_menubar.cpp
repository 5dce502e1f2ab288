// The menu bar's quick preview. BM_ClickToFirstFrame: from a click on the
// status item to the end of the preview's first frame (a new preview built,
// laid out and painted in the reused popover window), against showing a
// minimal frameless popup of the same size, alternately in one run.
// BM_LiveUpdate: what one snapshot of the monitor costs the GUI thread
// while the preview is shown (its figures and the repaint they cause).

#include "state/SharedState.h"
#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "menubar/MenuBarController.h"
#include "menubar/MenuBarQuickPreview.h"
#include "menubar/PopoverWindow.h"
#include "monitor/SystemMonitor.h"
#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"
#include "support/FakeStatusArea.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonBorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace tw;

namespace {

// Tells when the frame of a watched window is complete: a widget of the
// window has painted and the event that painted it (expose or update) has
// returned, the frame handed on.
class FrameApp : public QApplication {
public:
    using QApplication::QApplication;
    QWidget* watched = nullptr;
    bool painted = false;
    bool done = false;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (watched && event->type() == QEvent::Paint && receiver->isWidgetType()
            && static_cast<QWidget*>(receiver)->window() == watched)
            painted = true;
        const bool result = QApplication::notify(receiver, event);
        // Updates reach the window's widget, exposes its native window.
        if (watched && painted && !done
            && (receiver == watched->windowHandle() || (receiver == watched && event->type() == QEvent::UpdateRequest)))
            done = true;
        return result;
    }

    // Runs action and waits for the watched window's next complete frame;
    // milliseconds, or a negative time when none came within two seconds.
    double timeToFrame(QWidget* window, const std::function<void()>& action)
    {
        watched = window;
        painted = done = false;
        QElapsedTimer t;
        t.start();
        action();
        while (!done && t.elapsed() < 2000)
            processEvents(QEventLoop::AllEvents, 5);
        const double ms = done ? t.nsecsElapsed() / 1e6 : -1;
        watched = nullptr;
        return ms;
    }
};

FrameApp& app()
{
    return *static_cast<FrameApp*>(QCoreApplication::instance());
}

void settle()
{
    for (int i = 0; i < 20; ++i) {
        waitForEnginePool();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The reference: a frameless popup that fills itself with one colour.
class MinimalPopup : public QWidget {
public:
    explicit MinimalPopup(bool translucent = false)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_TranslucentBackground, translucent);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(20, 30, 50)); }
};

// The controller over a fake shell with 200 applications, 30 startup items
// and a monitor over a fixture /proc.
struct Rig {
    test::FakePlatform fake;
    SharedState state{fake.platform()};
    AppScanner scanner{fake.platform()};
    SystemCleaner cleaner{fake.platform()};
    test::FakeStatusArea area;
    test::ProcTree proc;
    LinuxProcReaders host{proc.root()};
    test::FakeIdentity identity;
    test::FakeMonitorClock clock;
    SystemMonitor monitor{{&host, &identity, &clock}};
    std::unique_ptr<MenuBarController> controller;

    Rig()
    {
        // The bundles do not exist, so the background check finds every
        // application manual and asks no server.
        QList<AppInfoPtr> apps;
        for (int i = 0; i < 200; ++i) {
            AppFields f;
            f.name = QStringLiteral("Application %1").arg(i);
            f.path = QStringLiteral("/Applications/App%1.app").arg(i);
            f.appSize = 1'000'000 + i;
            f.isSystemApp = i % 10 == 0;
            apps << AppInfo::make(f);
        }
        QList<RemovableItem> items(30);
        cleaner.setStartupItems(items);
        hostClock = host::makeClock();
        keyfocus::installStyle();  // as the program's start-up does
        controller = std::make_unique<MenuBarController>(
            MenuBarController::Services{area, fake.platform(), [this]() -> SystemMonitor& { return monitor; }, {}, [] {},
                                        hostClock.get()},
            state.settings(), state.navigation(), state.theme());
        controller->install(scanner, cleaner);
        settle();
        scanner.setApps(apps);
        settle();
        // The borders stand still, so that only the preview's own work repaints.
        NeonAnimationClock::shared().setTimeSource([] { return 1000.0; });
    }
    std::unique_ptr<Clock> hostClock;
    ~Rig()
    {
        controller.reset();
        settle();
    }
};

void BM_ClickToFirstFrame(benchmark::State& state)
{
    Rig rig;
    MinimalPopup minimal;
    MinimalPopup clear(true);  // for comparison: the same with a see-through background
    // One round of each unmeasured: fonts, symbols and glows are cached from then on.
    rig.area.item->click();
    settle();
    const QSize size = rig.controller->popover()->size();
    const QRect frame = rig.controller->popover()->geometry();
    rig.controller->closePopover();
    for (MinimalPopup* w : {&minimal, &clear}) {
        w->setGeometry(frame);
        app().timeToFrame(w, [w] { w->show(); });
        w->hide();
    }
    settle();

    std::vector<double> ours, reference, translucent;
    for (auto _ : state) {
        const double m = app().timeToFrame(&minimal, [&] { minimal.show(); });
        minimal.hide();
        settle();
        translucent.push_back(app().timeToFrame(&clear, [&] { clear.show(); }));
        clear.hide();
        settle();
        const double p = app().timeToFrame(rig.controller->popover(), [&] { rig.area.item->click(); });
        rig.controller->closePopover();
        settle();
        ours.push_back(p);
        reference.push_back(m);
        state.SetIterationTime((m + p) / 1000.0);
    }
    state.counters["preview_ms"] = median(ours);
    state.counters["minimal_popup_ms"] = median(reference);
    state.counters["ratio"] = median(ours) / median(reference);
    state.counters["translucent_popup_ms"] = median(translucent);
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}
BENCHMARK(BM_ClickToFirstFrame)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

void BM_LiveUpdate(benchmark::State& state)
{
    Rig rig;
    rig.area.item->click();
    settle();
    MenuBarQuickPreview* preview = rig.controller->preview();
    SystemSnapshot s = rig.monitor.snapshot();
    std::vector<double> times;
    int n = 0;
    for (auto _ : state) {
        // A new processor and memory figure each time, as every second brings.
        s.cpuPercent = 10 + (n % 80);
        s.memoryUsed = s.memoryTotal / 100 * (20 + n % 70);
        ++n;
        const double ms = app().timeToFrame(rig.controller->popover(), [&] { preview->showSnapshot(s); });
        times.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["update_ms"] = median(times);
    rig.controller->closePopover();
}
BENCHMARK(BM_LiveUpdate)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    FrameApp application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
