// What a user waits for: the shipped program launched as a whole process,
// from the launch to its own first paint on the X server, against a minimal
// Qt Widgets program (bench/minimal_window: one window of the same size,
// nothing else linked), launched the same way in the same run.
//
// Both are watched from outside: the benchmark asks the X server (DAMAGE
// extension) to report drawing in every window created on its root. A
// program's first paint is the moment the drawing in its window covers the
// whole window (but its rounded corners) and the window shows the program's
// pixels: sample points across it no longer hold what the root showed there
// before the window was mapped. (The server fills a translucent window with
// a copy of what lies beneath when it maps it, which covers it whole at
// once: that moment is reported too, as *_covered_ms.) Nothing in either
// program reports on itself. Tidewell
// runs on a generated Mac tree of 200 applications, with settings and its
// single-instance socket in folders of its own. Run under an X server:
//
//     xvfb-run -a -s "-screen 0 1400x900x24" ./build-rel/bench/bench_launch
//
// With TIDEWELL_LAUNCH_BASELINE naming another build of the program (an
// earlier commit's), that one is launched in turn with the two others and
// compared pair by pair. BM_MemoryAtRest holds each Tidewell for three
// seconds after its first paint and reads its resident memory then
// (/proc/PID/smaps_rollup: Rss and Pss).

#include "support/MacTree.h"
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
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

// What a launch showed, in milliseconds from the launch.
struct Launch {
    // The program's own first paint: the window is drawn whole and carries
    // the program's pixels, not what the server put there at map.
    double ownPaintMs = 0;
    // The first moment the drawing in the window covered it whole, whoever
    // drew it (for a translucent window, the server's fill at map).
    double coveredMs = 0;
    // Resident memory after the rest asked for, in KiB.
    double rssKiB = 0;
    double pssKiB = 0;
};

// A field of /proc/PID/smaps_rollup, in KiB; 0 when unread.
double rollup(qint64 pid, const QByteArray& field)
{
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble();
    return 0;
}

// Watches the X server for the first frame of a window that a launched
// program makes.
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

    // Launches the program and returns when it showed its first frames
    // (none past the time limit), and restMs after that has read its
    // memory; then ends it.
    std::optional<Launch> launch(const QString& program, const QProcessEnvironment& env, int restMs = 0,
                                 int limitMs = 20000)
    {
        m_windows.clear();
        QProcess child;
        child.setProcessEnvironment(env);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.setStandardErrorFile(QProcess::nullDevice());
        m_start = std::chrono::steady_clock::now();
        child.start(program, {});
        std::optional<Launch> shown;
        while (!shown && sinceMs(m_start) < limitMs && child.state() != QProcess::NotRunning) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_conn);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
                poll(&fd, 1, 5);
                continue;
            }
            shown = handle(event);
            free(event);
        }
        if (shown && restMs > 0 && !child.waitForFinished(restMs)) {
            shown->rssKiB = rollup(child.processId(), "Rss");
            shown->pssKiB = rollup(child.processId(), "Pss");
        }
        child.kill();
        child.waitForFinished(5000);
        return shown;
    }

private:
    struct Watched {
        QRect geometry;             // on the root, as made
        std::vector<uint32_t> under;  // the root's pixels at the sample points, before the window
        QRegion drawn;
        double coveredMs = -1;
    };

    // The sample points: every 8th pixel of three rows (a quarter, a half and
    // three quarters down), clear of the rounded corners. Returns their
    // colours (alpha dropped) in a drawable whose top left lies at `at`;
    // empty when they could not be read.
    std::vector<uint32_t> sample(xcb_drawable_t drawable, QPoint at, QSize size)
    {
        const int x0 = 32, width = size.width() - 64;
        if (width <= 0 || size.height() < 8)
            return {};
        xcb_get_image_cookie_t cookies[3];
        for (int i = 0; i < 3; ++i)
            cookies[i] = xcb_get_image(m_conn, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, int16_t(at.x() + x0),
                                       int16_t(at.y() + size.height() * (i + 1) / 4), uint16_t(width), 1, ~0u);
        std::vector<uint32_t> out;
        bool ok = true;
        for (const xcb_get_image_cookie_t& cookie : cookies) {
            xcb_get_image_reply_t* reply = xcb_get_image_reply(m_conn, cookie, nullptr);
            // 24- and 32-bit drawables both come as 32 bits a pixel.
            if (!reply || xcb_get_image_data_length(reply) < width * 4) {
                ok = false;
            } else {
                const auto* px = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
                for (int x = 0; x < width; x += 8)
                    out.push_back(px[x] & 0xffffffu);
            }
            free(reply);
        }
        return ok ? out : std::vector<uint32_t>();
    }

    // Where a window lies before it is drawn, and what the root shows there
    // (a translucent window starts as a copy of it).
    void place(Watched& w, QRect geometry)
    {
        if (w.geometry == geometry)
            return;
        w.geometry = geometry;
        w.under.clear();
        if (geometry.width() < 1000 || geometry.height() < 600)
            return;
        w.under = sample(m_root, geometry.topLeft(), geometry.size());
        if (w.under.empty())  // partly off the screen: the server's black
            w.under.assign(size_t((geometry.width() - 64 + 7) / 8) * 3, 0u);
    }

    // The launch once the event completes the window's first own frame.
    std::optional<Launch> handle(const xcb_generic_event_t* event)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event);
            if (e->parent != m_root)
                return std::nullopt;
            // Before the window is mapped, so no drawing in it goes unseen.
            xcb_damage_create(m_conn, xcb_generate_id(m_conn), e->window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            xcb_flush(m_conn);
            m_windows.insert(e->window, {});
            place(m_windows[e->window], QRect(e->x, e->y, e->width, e->height));
            return std::nullopt;
        }
        if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            const auto it = m_windows.find(e->window);
            if (it != m_windows.end() && it->drawn.isEmpty())
                place(*it, QRect(e->x, e->y, e->width, e->height));
            return std::nullopt;
        }
        if (type != m_damageEvent + XCB_DAMAGE_NOTIFY)
            return std::nullopt;
        const auto* e = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
        const auto it = m_windows.find(e->drawable);
        // Only a window of the main window's size counts (Qt makes small helper windows too).
        if (it == m_windows.end() || e->geometry.width < 1000 || e->geometry.height < 600)
            return std::nullopt;
        it->drawn += QRect(e->area.x, e->area.y, e->area.width, e->area.height);
        // A window shaped with rounded corners is never drawn in its corners:
        // all but a thousandth of it counts as whole.
        qint64 drawn = 0;
        for (const QRect& r : it->drawn)
            drawn += qint64(r.width()) * r.height();
        if (drawn < qint64(e->geometry.width) * e->geometry.height * 999 / 1000)
            return std::nullopt;
        const double now = sinceMs(m_start);
        if (it->coveredMs < 0)
            it->coveredMs = now;
        // Whole; and the program's own when nearly every sample point differs
        // from what lay there before (a flush in pieces is not yet whole).
        const std::vector<uint32_t> seen = sample(e->drawable, QPoint(), QSize(e->geometry.width, e->geometry.height));
        if (seen.size() != it->under.size())
            return std::nullopt;
        size_t same = 0;
        for (size_t i = 0; i < seen.size(); ++i)
            same += seen[i] == it->under[i];
        if (same * 20 > seen.size())
            return std::nullopt;
        return Launch{now, it->coveredMs};
    }

    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_damageEvent = 0;
    std::chrono::steady_clock::time_point m_start;
    QHash<xcb_window_t, Watched> m_windows;
};

// One connection for the whole run: the X server resets when its last
// client leaves, and a connection made meanwhile fails.
FrameWatcher* frameWatcher(QString* why)
{
    static FrameWatcher watcher;
    static QString failure;
    static const bool connected = watcher.connect(&failure);
    *why = failure;
    return connected ? &watcher : nullptr;
}

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

// The children run on the sample tree, with settings, lock and socket of
// their own: never handed over to a Tidewell the user runs. The baseline
// gets a runtime folder of its own too: an earlier build may keep its
// lock in another form, which the other would take for a live one.
QProcessEnvironment childEnvironment(const QTemporaryDir& config, const QTemporaryDir& runtime)
{
    const test::MacTree& tree = sampleTree();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TIDEWELL_ROOT"), tree.hostRoot());
    env.insert(QStringLiteral("TIDEWELL_HOME"), tree.home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("TMPDIR"), runtime.path());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

// The X connection that sees the children's frames; without one the
// benchmark is skipped with the reason.
FrameWatcher* watcherFor(benchmark::State& state)
{
    QString why;
    FrameWatcher* watcher = frameWatcher(&why);
    if (!watcher)
        state.SkipWithError(why.toStdString().c_str());
    return watcher;
}

void BM_LaunchToFirstFrame(benchmark::State& state)
{
    FrameWatcher* connected = watcherFor(state);
    if (!connected)
        return;
    FrameWatcher& watcher = *connected;
    QTemporaryDir config, runtime, baselineRuntime;
    const QProcessEnvironment env = childEnvironment(config, runtime);
    const QProcessEnvironment baselineEnv = childEnvironment(config, baselineRuntime);
    const QString minimal = QStringLiteral(MINIMAL_PROGRAM);
    const QString tidewell = QStringLiteral(TIDEWELL_PROGRAM);
    const QString baseline = qEnvironmentVariable("TIDEWELL_LAUNCH_BASELINE");

    // One unmeasured launch of each warms the page cache and the font cache.
    if (!watcher.launch(minimal, env) || !watcher.launch(tidewell, env) ||
        (!baseline.isEmpty() && !watcher.launch(baseline, baselineEnv))) {
        state.SkipWithError("a program showed no frame");
        return;
    }
    std::vector<double> minimalMs, tidewellMs, tidewellCoveredMs, minimalCoveredMs, baselineMs, pairRatios;
    for (auto _ : state) {
        const auto m = watcher.launch(minimal, env);
        const auto t = watcher.launch(tidewell, env);
        const auto b = baseline.isEmpty() ? t : watcher.launch(baseline, baselineEnv);
        if (!m || !t || !b) {
            state.SkipWithError("a program showed no frame");
            return;
        }
        minimalMs.push_back(m->ownPaintMs);
        tidewellMs.push_back(t->ownPaintMs);
        minimalCoveredMs.push_back(m->coveredMs);
        tidewellCoveredMs.push_back(t->coveredMs);
        baselineMs.push_back(b->ownPaintMs);
        pairRatios.push_back(t->ownPaintMs / b->ownPaintMs);
        state.SetIterationTime((m->ownPaintMs + t->ownPaintMs) / 1000.0);
    }
    if (!baseline.isEmpty()) {
        state.counters["baseline_ms"] = median(baselineMs);
        state.counters["vs_baseline"] = median(pairRatios);  // of the pairs launched one after the other
    }
    const double mm = median(minimalMs), tm = median(tidewellMs);
    state.counters["minimal_ms"] = mm;
    state.counters["tidewell_ms"] = tm;
    state.counters["ratio"] = mm > 0 ? tm / mm : 0;
    state.counters["minimal_best_ms"] = *std::min_element(minimalMs.begin(), minimalMs.end());
    state.counters["tidewell_best_ms"] = *std::min_element(tidewellMs.begin(), tidewellMs.end());
    // The first time the window was covered whole, by whoever drew it.
    state.counters["minimal_covered_ms"] = median(minimalCoveredMs);
    state.counters["tidewell_covered_ms"] = median(tidewellCoveredMs);
}

// Tidewell at rest three seconds after its first paint (and the baseline,
// in turn): the medians of its resident set and proportional set, MiB.
void BM_MemoryAtRest(benchmark::State& state)
{
    FrameWatcher* connected = watcherFor(state);
    if (!connected)
        return;
    FrameWatcher& watcher = *connected;
    QTemporaryDir config, runtime, baselineRuntime;
    const QProcessEnvironment env = childEnvironment(config, runtime);
    const QProcessEnvironment baselineEnv = childEnvironment(config, baselineRuntime);
    std::vector<std::pair<const char*, QString>> programs{{"tidewell", QStringLiteral(TIDEWELL_PROGRAM)}};
    if (const QString baseline = qEnvironmentVariable("TIDEWELL_LAUNCH_BASELINE"); !baseline.isEmpty())
        programs.emplace_back("baseline", baseline);
    constexpr int kRestMs = 3000;
    QHash<QByteArray, std::vector<double>> figures;
    for (auto _ : state) {
        for (const auto& [name, program] : programs) {
            const auto l = watcher.launch(program, program == programs.front().second ? env : baselineEnv, kRestMs);
            if (!l || l->rssKiB <= 0) {
                state.SkipWithError((std::string(name) + (l ? " ended at rest" : " showed no frame")).c_str());
                return;
            }
            figures[QByteArray(name) + "_rss_mib"].push_back(l->rssKiB / 1024);
            figures[QByteArray(name) + "_pss_mib"].push_back(l->pssKiB / 1024);
        }
        state.SetIterationTime(kRestMs / 1000.0);
    }
    for (auto it = figures.cbegin(); it != figures.cend(); ++it)
        state.counters[it.key().toStdString()] = median(it.value());
}

#else

void BM_LaunchToFirstFrame(benchmark::State& state)
{
    state.SkipWithError("built without xcb-damage (libxcb-damage0-dev)");
}

void BM_MemoryAtRest(benchmark::State& state)
{
    state.SkipWithError("built without xcb-damage (libxcb-damage0-dev)");
}

#endif

BENCHMARK(BM_LaunchToFirstFrame)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryAtRest)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

} // namespace

TIDEWELL_BENCHMARK_MAIN()
