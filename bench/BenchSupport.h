#pragma once

// Shared pieces of the benchmark programs.

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <benchmark/benchmark.h>

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
