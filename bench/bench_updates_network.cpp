// The Updates and Network tabs over 1,000 applications: a whole check of
// rows updated by hand (two published changes a row) with the tab watching
// it, against the bare checker doing the same; a search keystroke in each
// tab (filter, sections, list reset, draw), against drawing it unchanged.

#include "BenchSupport.h"
#include "BenchWorkspaceHost.h"
#include "views/network/NetworkState.h"
#include "views/network/NetworkWorkspace.h"
#include "views/updates/UpdatesState.h"
#include "views/updates/UpdatesWorkspace.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

using namespace tw;

namespace {

struct Fixture : bench::WorkspaceHost {
    QImage frame{912, 680, QImage::Format_ARGB32_Premultiplied};

    Fixture()
    {
        // Bundles that are not on disk: every row is updated by hand, no request is made.
        QList<AppInfoPtr> apps;
        for (int i = 0; i < 1000; ++i) {
            const QString name = QStringLiteral("Application %1 by Vendor %2").arg(i).arg(i % 37);
            apps << AppInfo::make({name, QStringLiteral("com.vendor%1.app%2").arg(i % 37).arg(i),
                                   QStringLiteral("/Applications/%1.app").arg(name)});
        }
        scanner.setApps(apps);
    }
    // The Updates tab shown, after its first check.
    std::unique_ptr<UpdatesWorkspace> checkedUpdatesTab()
    {
        auto ws = std::make_unique<UpdatesWorkspace>(env());
        ws->resize(912, 680);
        ws->show();
        runCheck(ws->state().checker());
        return ws;
    }
    void runCheck(UpdateChecker& checker)
    {
        checker.checkAll(scanner.apps());
        while (checker.isChecking())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

// Anchor: the checker alone.
void BM_CheckOfHandUpdatedRows(benchmark::State& state)
{
    Fixture f;
    UpdateChecker checker(f.fake.platform());
    for (auto _ : state)
        f.runCheck(checker);
}
BENCHMARK(BM_CheckOfHandUpdatedRows)->Unit(benchmark::kMillisecond);

// The same check with the Updates tab shown (its spinner page) watching it.
void BM_CheckWithUpdatesTab(benchmark::State& state)
{
    Fixture f;
    const auto ws = f.checkedUpdatesTab();
    for (auto _ : state)
        f.runCheck(ws->state().checker());
}
BENCHMARK(BM_CheckWithUpdatesTab)->Unit(benchmark::kMillisecond);

const QStringList kTyped{QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("vendor 1"), QString()};

void BM_UpdatesKeystroke(benchmark::State& state)
{
    Fixture f;
    const auto ws = f.checkedUpdatesTab();
    int k = 0;
    for (auto _ : state) {
        ws->state().setSearchText(kTyped[k++ % kTyped.size()]);
        ws->render(&f.frame);
    }
}
BENCHMARK(BM_UpdatesKeystroke)->Unit(benchmark::kMillisecond);

// Anchor of the keystrokes: drawing the tab without a change.
void BM_UpdatesDrawOnly(benchmark::State& state)
{
    Fixture f;
    const auto ws = f.checkedUpdatesTab();
    for (auto _ : state)
        ws->render(&f.frame);
}
BENCHMARK(BM_UpdatesDrawOnly)->Unit(benchmark::kMillisecond);

void BM_NetworkKeystroke(benchmark::State& state)
{
    Fixture f;
    NetworkWorkspace ws(f.env());
    ws.resize(912, 680);
    ws.show();
    int k = 0;
    for (auto _ : state) {
        ws.state().setSearchText(kTyped[k++ % kTyped.size()]);
        ws.render(&f.frame);
    }
}
BENCHMARK(BM_NetworkKeystroke)->Unit(benchmark::kMillisecond);

} // namespace

TIDEWELL_WIDGETS_BENCHMARK_MAIN()
