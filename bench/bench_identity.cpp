// The identity and battery readers as the one-second sample calls them, warm
// (profiler answers cached): over a Mac-like host tree with a serial, a
// catalog model and a battery, and over this machine's own root. The anchor
// is one read of a small kernel file.

#include "BenchSupport.h"
#include "monitor/HardwareIdentityReader.h"
#include "platform/HostServices.h"
#include "platform/Platform.h"
#include "platform/SafeRead.h"
#include "support/HardwareTree.h"

using namespace tw;

namespace {

const test::MacTree& macLikeTree()
{
    static const test::MacTree* tree = [] {
        auto* t = new test::MacTree;
        test::writeMacLikeHardware(*t);
        return t;
    }();
    return *tree;
}

void sample(IdentityReader& reader, benchmark::State& state)
{
    reader.readHardwareIdentity();  // fills the profiler cache
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.readHardwareIdentity());
        benchmark::DoNotOptimize(reader.readBattery());
    }
}

void BM_IdentityAndBattery_MacLikeTree(benchmark::State& state)
{
    const QString root = macLikeTree().hostRoot();
    auto host = host::makeHostHardware(root);
    auto profiler = host::makeSysfsProfilerRunner(root);
    auto clock = host::makeClock();
    HardwareIdentityReader reader({host.get(), profiler.get(), clock.get(), [] { return host::builtInDisplayDiagonalInches(); }, nullptr});
    sample(reader, state);
    if (!reader.readBattery() || reader.readHardwareIdentity().modelYear != 2021)
        state.SkipWithError("the tree was not read");
}
BENCHMARK(BM_IdentityAndBattery_MacLikeTree)->Unit(benchmark::kMicrosecond);

void BM_IdentityAndBattery_ThisMachine(benchmark::State& state)
{
    // Built as the program builds it: the host platform's readers, its diagonal read once.
    HostPlatform machine;
    HardwareIdentityReader reader({&machine.hardware(), &machine.profiler(), &machine.platform().clock(),
                                   [&machine] { return machine.builtInDisplayDiagonal(); }, nullptr});
    sample(reader, state);
}
BENCHMARK(BM_IdentityAndBattery_ThisMachine)->Unit(benchmark::kMicrosecond);

void BM_Anchor_ReadKernelRelease(benchmark::State& state)
{
    QByteArray buffer;
    for (auto _ : state) {
        readRegularFile("/proc/sys/kernel/osrelease", buffer, 4096);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_Anchor_ReadKernelRelease)->Unit(benchmark::kMicrosecond);

} // namespace

TIDEWELL_BENCHMARK_MAIN();
