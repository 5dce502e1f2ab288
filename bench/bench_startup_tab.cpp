// The Startup tab with 1,000 items: one keystroke of its search (filter, list
// reset, the tab drawn) and one selection (the detail bound, the rows bound
// again, the tab drawn), each against drawing the unchanged tab, the anchor.

#include "BenchSupport.h"
#include "BenchWorkspaceHost.h"
#include "views/startup/StartupState.h"
#include "views/startup/StartupWorkspace.h"

#include <QImage>

#include <benchmark/benchmark.h>

using namespace tw;

namespace {

QList<RemovableItem> manyItems()
{
    static const QString categories[] = {QStringLiteral("Launch Agent"), QStringLiteral("System Daemon"),
                                         QStringLiteral("Application Login Item")};
    QList<RemovableItem> items;
    for (int i = 0; i < 1000; ++i) {
        RemovableItem item;
        item.title = QStringLiteral("com.vendor%1.agent%2").arg(i % 37).arg(i);
        item.path = QStringLiteral("/Library/LaunchAgents/") + item.title + QStringLiteral(".plist");
        item.category = categories[i % 3];
        item.parentName = QStringLiteral("Vendor %1").arg(i % 37);
        item.size = 1024 + i;
        item.isEnabled = i % 4 != 0;
        item.icon = IconRef::symbol(QStringLiteral("rocket.fill"));
        items << item;
    }
    return items;
}

struct Fixture : bench::WorkspaceHost {
    StartupWorkspace tab{env()};
    QImage frame{912, 680, QImage::Format_ARGB32_Premultiplied};

    Fixture()
    {
        cleaner.setStartupItems(manyItems());
        tab.resize(912, 680);
        tab.show();
        draw();
    }
    void draw() { tab.render(&frame); }
};

void BM_DrawTab(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state)
        f.draw();
}
BENCHMARK(BM_DrawTab)->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke(benchmark::State& state)
{
    Fixture f;
    const QStringList typed{QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("vendor1"), QString()};
    int k = 0;
    for (auto _ : state) {
        f.tab.state().setSearchText(typed[k++ % typed.size()]);
        f.draw();
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

void BM_SelectItem(benchmark::State& state)
{
    Fixture f;
    int k = 0;
    for (auto _ : state) {
        f.tab.state().select(f.cleaner.startupItems()[k++ % 8].path);
        f.draw();
    }
}
BENCHMARK(BM_SelectItem)->Unit(benchmark::kMillisecond);

} // namespace

TIDEWELL_WIDGETS_BENCHMARK_MAIN()
