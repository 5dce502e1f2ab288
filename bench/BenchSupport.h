#pragma once

// Shared pieces of the benchmark programs.

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QElapsedTimer>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <vector>

namespace tw::bench {

// The median of a run of figures (0 when there are none).
inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs du with the given arguments and waits for it: the baseline the
// in-process measurements are compared with.
inline void runDu(const QStringList& arguments)
{
    QProcess du;
    du.start(QStringLiteral("du"), arguments);
    du.waitForFinished(-1);
    benchmark::DoNotOptimize(du.readAllStandardOutput());
}

// CPU time (user and system) in milliseconds, of this process (all its
// threads) or of its children that have been waited for.
inline double cpuMs(int who)
{
    rusage ru{};
    getrusage(who, &ru);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(ru.ru_utime) + ms(ru.ru_stime);
}

// Wall and CPU time of one piece of work.
struct Cost {
    double wallMs = 0;
    double cpuMs = 0;
    Cost& operator+=(const Cost& o)
    {
        wallMs += o.wallMs;
        cpuMs += o.cpuMs;
        return *this;
    }
};

// Work done in this process, on any of its threads.
template <typename Work>
Cost costOf(Work&& work)
{
    const double cpu = cpuMs(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    work();
    return {double(timer.nsecsElapsed()) / 1e6, cpuMs(RUSAGE_SELF) - cpu};
}

// A child process run to its end, its output read and dropped.
inline Cost costOfProcess(const QString& program, const QStringList& arguments)
{
    const double cpu = cpuMs(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    QProcess child;
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, arguments);
    child.waitForFinished(-1);
    return {double(timer.nsecsElapsed()) / 1e6, cpuMs(RUSAGE_CHILDREN) - cpu};
}

// Per-iteration figures and the ratios of a measured piece against its
// anchors, as counters of the benchmark.
inline void reportCosts(benchmark::State& state, const char* name, const Cost& total)
{
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters[std::string(name) + "_wall_ms"] = total.wallMs / n;
    state.counters[std::string(name) + "_cpu_ms"] = total.cpuMs / n;
}

inline double ratio(double a, double b) { return b > 0 ? a / b : 0; }

} // namespace tw::bench

// A benchmark main() inside a QCoreApplication (engines post to its thread).
#define TIDEWELL_BENCHMARK_MAIN()                    \
    int main(int argc, char** argv)                  \
    {                                                \
        QCoreApplication app(argc, argv);            \
        benchmark::Initialize(&argc, argv);          \
        benchmark::RunSpecifiedBenchmarks();         \
        benchmark::Shutdown();                       \
        return 0;                                    \
    }

// The same inside a QApplication, for benchmarks that draw widgets
// (offscreen unless a platform or an X display is named).
#define TIDEWELL_WIDGETS_BENCHMARK_MAIN()                    \
    int main(int argc, char** argv)                          \
    {                                                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")   \
            && qEnvironmentVariableIsEmpty("DISPLAY"))       \
            qputenv("QT_QPA_PLATFORM", "offscreen");         \
        QApplication app(argc, argv);                        \
        benchmark::Initialize(&argc, argv);                  \
        benchmark::RunSpecifiedBenchmarks();                 \
        benchmark::Shutdown();                               \
        return 0;                                            \
    }
