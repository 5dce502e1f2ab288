// The Extensions tab with 2,000 entries (browser extensions in eight
// browsers' groups): one keystroke of the search (filter, group, sort, list
// reset, draw), one tick of a row (selection, rows rebound, draw) and a
// change of the engine's list, each against drawing the unchanged tab, the
// anchor of the same run.

#include "BenchSupport.h"
#include "BenchWorkspaceHost.h"
#include "views/extensions/ExtensionsWorkspace.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

using namespace tw;

namespace {

const char* const kGroups[] = {"Safari Extensions",  "Google Chrome Extensions", "Microsoft Edge Extensions",
                               "Brave Extensions",   "Arc Extensions",           "Firefox Extensions",
                               "Vivaldi Extensions", "Opera Extensions"};

QList<RemovableItem> entries(int count)
{
    QList<RemovableItem> list;
    for (int i = 0; i < count; ++i) {
        RemovableItem item;
        item.title = QStringLiteral("Extension %1 by Vendor %2").arg(i).arg(i % 41);
        item.category = QLatin1String(kGroups[i % 8]);
        item.path = QStringLiteral("/Users/tester/Library/Application Support/Browser/Extensions/id%1").arg(i);
        item.subtitle = QStringLiteral("tester/Library/Application Support/Brow…");
        item.size = 1000 + (i * 7919) % 5000000;
        list << item;
    }
    return list;
}

struct Fixture : bench::WorkspaceHost {
    std::unique_ptr<ExtensionsWorkspace> tab;
    QImage frame{1100 - 188, 680, QImage::Format_ARGB32_Premultiplied};

    Fixture()
    {
        cleaner.setExtensions(entries(2000));
        tab = std::make_unique<ExtensionsWorkspace>(env());
        tab->resize(frame.size());
        tab->show();
        QCoreApplication::processEvents();
    }
    void draw() { tab->render(&frame); }
};

void BM_ExtensionsDrawAnchor(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state)
        f.draw();
}
BENCHMARK(BM_ExtensionsDrawAnchor)->Unit(benchmark::kMillisecond);

void BM_ExtensionsKeystroke(benchmark::State& state)
{
    Fixture f;
    const QStringList typed{QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("vendor 1"), QString()};
    int k = 0;
    for (auto _ : state) {
        f.tab->state().setSearchText(typed[k++ % typed.size()]);
        f.draw();
    }
}
BENCHMARK(BM_ExtensionsKeystroke)->Unit(benchmark::kMillisecond);

void BM_ExtensionsTickOneRow(benchmark::State& state)
{
    Fixture f;
    const QString path = f.tab->state().groups().first().items.first().path;
    for (auto _ : state) {
        f.tab->state().toggleSelected(path);
        f.draw();
    }
}
BENCHMARK(BM_ExtensionsTickOneRow)->Unit(benchmark::kMillisecond);

// A removal's end: the engine's list one entry shorter, every visible entry selected again.
void BM_ExtensionsListShrinks(benchmark::State& state)
{
    Fixture f;
    const QList<RemovableItem> full = f.cleaner.extensions();
    int k = 0;
    for (auto _ : state) {
        f.cleaner.setExtensions(k++ % 2 ? full : full.mid(1));
        f.draw();
    }
}
BENCHMARK(BM_ExtensionsListShrinks)->Unit(benchmark::kMillisecond);

} // namespace

TIDEWELL_WIDGETS_BENCHMARK_MAIN()
