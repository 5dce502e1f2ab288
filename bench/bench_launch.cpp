// What a user waits for: the shipped program launched as a whole process,
// from the launch to its first complete frame on the X server, against a
// minimal Qt Widgets program (bench/minimal_window: one window of the same
// size, nothing else linked), launched the same way in the same run.
//
// Both are watched from outside: the benchmark asks the X server (DAMAGE
// extension) to report drawing in every window created on its root, and a
// program's first frame is the moment the drawing in its window first covers
// the whole window (but its rounded corners). Nothing in either program reports on itself. Tidewell
// runs on a generated Mac tree of 200 applications, with settings and its
// single-instance socket in folders of its own. Run under an X server:
//
//     xvfb-run -a -s "-screen 0 1400x900x24" ./build-rel/bench/bench_launch

#include "support/MacTree.h"
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>
#include <QRegion>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#ifdef TIDEWELL_XCB_DAMAGE
#include <poll.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>
#endif

using namespace tw;

namespace {

using bench::median;

double sinceMs(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

#ifdef TIDEWELL_XCB_DAMAGE

// Watches the X server for the first complete frame of a window that a
// launched program makes.
class FrameWatcher {
public:
    ~FrameWatcher()
    {
        if (m_conn)
            xcb_disconnect(m_conn);
    }

    // Connects to $DISPLAY and starts hearing of every window made on the
    // root; on failure says why.
    bool connect(QString* why)
    {
        int screenNumber = 0;
        m_conn = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_conn)) {
            *why = QStringLiteral("no X server: run under xvfb-run");
            return false;
        }
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_conn, &xcb_damage_id);
        if (!damage || !damage->present) {
            *why = QStringLiteral("the X server has no DAMAGE extension");
            return false;
        }
        m_damageEvent = damage->first_event;
        free(xcb_damage_query_version_reply(m_conn, xcb_damage_query_version(m_conn, 1, 1), nullptr));
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&it);
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, it.data->root, XCB_CW_EVENT_MASK, &mask);
        m_root = it.data->root;
        xcb_flush(m_conn);
        return true;
    }

    // Launches the program and returns the milliseconds from the launch to
    // its first complete frame (none past the time limit); then ends it.
    std::optional<double> launch(const QString& program, const QProcessEnvironment& env, int limitMs = 20000)
    {
        m_windows.clear();
        QProcess child;
        child.setProcessEnvironment(env);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.setStandardErrorFile(QProcess::nullDevice());
        const auto start = std::chrono::steady_clock::now();
        child.start(program, {});
        std::optional<double> shown;
        while (!shown && sinceMs(start) < limitMs && child.state() != QProcess::NotRunning) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_conn);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
                poll(&fd, 1, 5);
                continue;
            }
            if (handle(event))
                shown = sinceMs(start);
            free(event);
        }
        child.kill();
        child.waitForFinished(5000);
        return shown;
    }

private:
    struct Watched {
        QRegion drawn;
    };

    // True when the event completes a window's first frame.
    bool handle(const xcb_generic_event_t* event)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event);
            if (e->parent != m_root)
                return false;
            // Before the window is mapped, so no drawing in it goes unseen.
            xcb_damage_create(m_conn, xcb_generate_id(m_conn), e->window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            xcb_flush(m_conn);
            m_windows.insert(e->window, {});
            return false;
        }
        if (type != m_damageEvent + XCB_DAMAGE_NOTIFY)
            return false;
        const auto* e = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
        const auto it = m_windows.find(e->drawable);
        // Only a window of the main window's size counts (Qt makes small helper windows too).
        if (it == m_windows.end() || e->geometry.width < 1000 || e->geometry.height < 600)
            return false;
        it->drawn += QRect(e->area.x, e->area.y, e->area.width, e->area.height);
        // A window shaped with rounded corners is never drawn in its corners:
        // all but a thousandth of it counts as whole.
        qint64 drawn = 0;
        for (const QRect& r : it->drawn)
            drawn += qint64(r.width()) * r.height();
        return drawn >= qint64(e->geometry.width) * e->geometry.height * 999 / 1000;
    }

    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_damageEvent = 0;
    QHash<xcb_window_t, Watched> m_windows;
};

// The Mac-shaped tree Tidewell runs on: 200 applications, made once.
const test::MacTree& sampleTree()
{
    static test::MacTree* tree = [] {
        auto* t = new test::MacTree;
        for (int i = 0; i < 200; ++i)
            t->makeApp(QStringLiteral("/Applications/App%1.app").arg(i), QStringLiteral("com.vendor%1.app").arg(i),
                       QStringLiteral("App %1").arg(i));
        t->makeTrash();
        for (const char* folder : {"Application Support", "Preferences", "Caches"})
            t->mkdir(t->library() + u'/' + QLatin1String(folder));
        return t;
    }();
    return *tree;
}

void BM_LaunchToFirstFrame(benchmark::State& state)
{
    FrameWatcher watcher;
    QString why;
    if (!watcher.connect(&why)) {
        state.SkipWithError(why.toStdString().c_str());
        return;
    }
    const test::MacTree& tree = sampleTree();
    QTemporaryDir config, runtime;  // the children's settings and sockets stay out of the user's
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TIDEWELL_ROOT"), tree.hostRoot());
    env.insert(QStringLiteral("TIDEWELL_HOME"), tree.home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("TMPDIR"), runtime.path());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const QString minimal = QStringLiteral(MINIMAL_PROGRAM);
    const QString tidewell = QStringLiteral(TIDEWELL_PROGRAM);

    // One unmeasured launch of each warms the page cache and the font cache.
    if (!watcher.launch(minimal, env) || !watcher.launch(tidewell, env)) {
        state.SkipWithError("a program showed no frame");
        return;
    }
    std::vector<double> minimalMs, tidewellMs;
    for (auto _ : state) {
        const auto m = watcher.launch(minimal, env);
        const auto t = watcher.launch(tidewell, env);
        if (!m || !t) {
            state.SkipWithError("a program showed no frame");
            return;
        }
        minimalMs.push_back(*m);
        tidewellMs.push_back(*t);
        state.SetIterationTime((*m + *t) / 1000.0);
    }
    const double mm = median(minimalMs), tm = median(tidewellMs);
    state.counters["minimal_ms"] = mm;
    state.counters["tidewell_ms"] = tm;
    state.counters["ratio"] = mm > 0 ? tm / mm : 0;
    state.counters["minimal_best_ms"] = *std::min_element(minimalMs.begin(), minimalMs.end());
    state.counters["tidewell_best_ms"] = *std::min_element(tidewellMs.begin(), tidewellMs.end());
}

#else

void BM_LaunchToFirstFrame(benchmark::State& state)
{
    state.SkipWithError("built without xcb-damage (libxcb-damage0-dev)");
}

#endif

BENCHMARK(BM_LaunchToFirstFrame)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

TIDEWELL_BENCHMARK_MAIN()
