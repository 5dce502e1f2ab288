// The first update check of a process: from its first request to the
// answer from a local server, the transfer module's load (its checks,
// libcurl and what it brings, the threads it runs on) and the first
// connection included. Only a new process shows it, the module being
// loaded once per process: each figure is a process of its own, this
// program started with --first URL, which makes the program's HTTP client,
// times its first request and then a second one (the module loaded, the
// connection kept: the anchor), and prints both in milliseconds.
//
// With TIDEWELL_FIRST_TRANSFER_BASELINE naming this benchmark built at an
// earlier commit (the file copied into that checkout's bench/), that one
// runs in turn, and the first requests are compared pair by pair
// (vs_baseline). Run:
//
//     ./build-rel/bench/bench_first_transfer

#include "BenchSupport.h"
#include "platform/HostServices.h"
#include "support/LocalHttpServer.h"

#include <QEventLoop>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace tw;

namespace {

using bench::median;
using Clock = std::chrono::steady_clock;

// The child: the first and second request's times, printed.
int timeRequests(const QUrl& url)
{
    auto http = host::makeHttpClient();
    double ms[2] = {};
    for (double& took : ms) {
        QEventLoop loop;
        bool answered = false;
        const Clock::time_point start = Clock::now();
        http->get(url, std::chrono::seconds(12), "Bench/1.0", [&](const HttpResponse& r) {
            took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            answered = !r.transportError && r.status == 200;
            if (!answered)
                std::fprintf(stderr, "failed: %s\n", qPrintable(r.errorText));
            loop.quit();
        });
        loop.exec();
        if (!answered)
            return 1;
    }
    std::printf("%f %f\n", ms[0], ms[1]);
    return 0;
}

struct Times {
    double firstMs = 0;
    double secondMs = 0;
};

// Runs program as a child for url, serving meanwhile.
std::optional<Times> childTimes(const QString& program, const QUrl& url)
{
    QProcess child;
    QEventLoop loop;
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    child.start(program, {QStringLiteral("--first"), url.toString()});
    loop.exec();
    const QList<QByteArray> said = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || said.size() != 2)
        return std::nullopt;
    return Times{said[0].toDouble(), said[1].toDouble()};
}

void BM_FirstTransfer(benchmark::State& state)
{
    test::LocalHttpServer server;
    server.route("/feed.xml", test::Reply::ok("<rss version=\"2.0\"><channel><item/></channel></rss>"));
    const QUrl url = server.url("/feed.xml");
    const QString self = QCoreApplication::applicationFilePath();
    const QString baseline = qEnvironmentVariable("TIDEWELL_FIRST_TRANSFER_BASELINE");
    // One unmeasured run of each warms the page cache.
    if (!childTimes(self, url) || (!baseline.isEmpty() && !childTimes(baseline, url))) {
        state.SkipWithError("a request was not answered");
        return;
    }
    std::vector<double> first, second, baselineFirst, pairRatios;
    for (auto _ : state) {
        const std::optional<Times> t = childTimes(self, url);
        const std::optional<Times> b = baseline.isEmpty() ? t : childTimes(baseline, url);
        if (!t || !b) {
            state.SkipWithError("a request was not answered");
            return;
        }
        first.push_back(t->firstMs);
        second.push_back(t->secondMs);
        baselineFirst.push_back(b->firstMs);
        pairRatios.push_back(t->firstMs / b->firstMs);
        state.SetIterationTime(t->firstMs / 1000.0);
    }
    state.counters["first_ms"] = median(first);
    state.counters["second_ms"] = median(second);
    state.counters["first_vs_second"] = bench::ratio(median(first), median(second));
    if (!baseline.isEmpty()) {
        state.counters["baseline_first_ms"] = median(baselineFirst);
        state.counters["vs_baseline"] = median(pairRatios);  // of the pairs run one after the other
    }
}

BENCHMARK(BM_FirstTransfer)->UseManualTime()->Iterations(25)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--first") == 0)
        return timeRequests(QUrl(QString::fromLocal8Bit(argv[2])));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
