#pragma once

// Shared pieces of the benchmark programs.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace tw::bench {

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

// A benchmark main() inside an application object of type App (the
// engines post to its thread; widgets need a QApplication).
#define TIDEWELL_BENCHMARK_MAIN_WITH(App)            \
    int main(int argc, char** argv)                  \
    {                                                \
        App app(argc, argv);                         \
        benchmark::Initialize(&argc, argv);          \
        benchmark::RunSpecifiedBenchmarks();         \
        benchmark::Shutdown();                       \
        return 0;                                    \
    }
#define TIDEWELL_BENCHMARK_MAIN() TIDEWELL_BENCHMARK_MAIN_WITH(QCoreApplication)
