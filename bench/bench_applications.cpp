// The Applications tab with many applications.
//
// BM_SearchKeystroke: one keystroke in the search field of a shown tab with
// 1,000 applications (50 of them family groups): the filter, the order and
// the list's new rows bound and painted, on the GUI thread. The bar is one
// frame (16 ms).
//
// BM_FirstFrame/N: the tab built over N applications and its first frame
// painted; the figure to watch is the ratio of N = 1,000 to N = 10 (at most 2).
//
// BM_RemainsKeystroke: one keystroke in the search of the remains segment with
// 2,000 remains: the filter, the order, the cards in view bound and painted.
//
// BM_AdvancedTree/N: the advanced file tree of an application with N
// leftovers in 12 categories shown and painted; the ratio of N = 2,000 to
// N = 20 stays small since only the rows in view are made.

#include "BenchSupport.h"
#include "BenchWorkspaceHost.h"
#include "platform/ThreadPool.h"
#include "state/AppNavigation.h"
#include "state/Theme.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/AdvancedFileTree.h"
#include "views/applications/AppDetailPanel.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/kit/LazyList.h"

#include <QApplication>
#include <QDateTime>

#include <benchmark/benchmark.h>

#include <memory>

using namespace tw;

namespace {

// count top-level entries, every twentieth a group of three members.
QList<AppInfoPtr> catalogue(int count)
{
    static const char* const words[] = {"Studio", "Notes", "Mail", "Photo", "Sync", "Code", "Player", "Reader",
                                        "Cloud", "Draw", "Chat", "Maps", "Vault", "Clock", "Terminal", "Design"};
    QList<AppInfoPtr> apps;
    auto single = [](int i) {
        AppFields f;
        f.name = QStringLiteral("%1 %2").arg(QString::fromUtf8(words[i % 16])).arg(i);
        f.bundleIdentifier = QStringLiteral("com.vendor%1.%2").arg(i % 97).arg(QString::fromUtf8(words[(i * 7) % 16]).toLower());
        f.path = QStringLiteral("/Applications/") + f.name + QStringLiteral(".app");
        f.icon = IconRef::fileIcon(f.path);
        f.appSize = 1'000'000 + std::int64_t(i % 331) * 977'000;
        if (i % 5)
            f.lastUsed = QDateTime::fromSecsSinceEpoch(1'600'000'000 + qint64(i % 211) * 86'400, Qt::UTC);
        return AppInfo::make(f);
    };
    for (int i = 0; i < count; ++i) {
        if (i % 20 != 7) {
            apps << single(i);
            continue;
        }
        std::vector<AppInfoPtr> members{single(10'000 + 3 * i), single(10'001 + 3 * i), single(10'002 + 3 * i)};
        AppFields f;
        f.name = QStringLiteral("Suite %1").arg(i);
        f.bundleIdentifier = QStringLiteral("group.") + members.front()->bundleIdentifier();
        f.path = QStringLiteral("/Applications/Suite %1").arg(i);
        for (const AppInfoPtr& m : members)
            f.appSize += m->appSize();
        AppInfoPtr group = AppInfo::make(f);
        group->setMembers(std::move(members));
        apps << group;
    }
    return apps;
}

// The shared state, the engines and a shown tab over count applications.
struct Tab : bench::WorkspaceHost {
    std::unique_ptr<ApplicationsWorkspace> workspace;

    explicit Tab(int count)
    {
        scanner.setApps(catalogue(count));
        state.navigation().setAppsSegment(AppsSegment::apps);
    }

    void build()
    {
        workspace = std::make_unique<ApplicationsWorkspace>(env());
        workspace->resize(912, 680);
    }

    ~Tab()
    {
        workspace.reset();
        waitForEnginePool();
        QCoreApplication::processEvents();
    }
};

void BM_SearchKeystroke(benchmark::State& s)
{
    Tab tab(1000);
    tab.build();
    tab.workspace->show();
    QCoreApplication::processEvents();
    LazyList* list = tab.workspace->appsList();
    // Typing a word and taking it back, one keystroke per iteration.
    const QStringList steps{"s", "st", "stu", "stud", "stu", "st", "s", ""};
    int i = 0;
    int rows = 0;
    for (auto _ : s) {
        tab.workspace->state().setSearchText(steps[i++ % steps.size()]);
        list->viewport()->repaint();
        rows += list->count();
    }
    s.counters["rows_per_keystroke"] = benchmark::Counter(double(rows) / double(s.iterations()));
    s.counters["row_widgets_made"] = list->madeCount();
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_FirstFrame(benchmark::State& s)
{
    Tab tab(int(s.range(0)));
    for (auto _ : s) {
        tab.build();
        benchmark::DoNotOptimize(tab.workspace->grab());
        s.PauseTiming();
        tab.workspace.reset();
        s.ResumeTiming();
    }
}
BENCHMARK(BM_FirstFrame)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

QList<RemovableItem> remains(int count)
{
    QList<RemovableItem> items;
    for (int i = 0; i < count; ++i) {
        RemovableItem r;
        r.title = QStringLiteral("Vendor%1 Tool %2").arg(i % 113).arg(i);
        r.subtitle = QStringLiteral("/Users/tester/Library/Application Support");
        r.path = r.subtitle + u'/' + r.title;
        r.size = std::int64_t(i % 487) * 10'301;
        r.category = QStringLiteral("Application Support");
        r.modifiedDate = QDateTime::fromSecsSinceEpoch(1'600'000'000 + qint64(i) * 3'600, Qt::UTC);
        items << r;
    }
    return items;
}

void BM_RemainsKeystroke(benchmark::State& s)
{
    Tab tab(100);
    tab.cleaner.setRemainingFiles(remains(2000));
    tab.state.navigation().setAppsSegment(AppsSegment::remains);
    tab.build();
    tab.workspace->state().setSort(AppSort::size);
    tab.workspace->show();
    QCoreApplication::processEvents();
    LazyList* list = tab.workspace->remainsList();
    const QStringList steps{"v", "ve", "ven", "vend", "ven", "ve", "v", ""};
    int i = 0;
    for (auto _ : s) {
        tab.workspace->state().setSearchText(steps[i++ % steps.size()]);
        list->viewport()->repaint();
    }
    s.counters["row_widgets_made"] = list->madeCount();
}
BENCHMARK(BM_RemainsKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AdvancedTree(benchmark::State& s)
{
    static const char* const kinds[] = {"Application Support", "Caches", "Containers", "Group Containers",
                                        "Preferences", "Logs", "Saved State", "Launch Agents",
                                        "Cookies", "Plug-Ins", "Receipts", "Services"};
    Tab tab(20);
    const AppInfoPtr app = tab.scanner.apps().front();
    QList<LeftoverPtr> files;
    for (int i = 0; i < int(s.range(0)); ++i) {
        const QString kind = QString::fromUtf8(kinds[i % 12]);
        auto file = LeftoverFile::make({QStringLiteral("/Users/tester/Library/%1/file %2").arg(kind).arg(i), 4096, kind});
        file->setOwner(app);
        files << file;
    }
    app->setLeftovers(files);
    tab.build();
    tab.workspace->state().setAdvanceMode(true);
    tab.workspace->show();
    QCoreApplication::processEvents();
    AdvancedFileTree* tree = tab.workspace->detailPanel()->advancedTree();
    for (auto _ : s) {
        tab.workspace->state().selectApp(app);
        tree->viewport()->repaint();
        s.PauseTiming();
        tab.workspace->state().setSelectedApp(nullptr);
        QCoreApplication::processEvents();
        s.ResumeTiming();
    }
    s.counters["row_widgets_made"] = tree->madeCount();
}
BENCHMARK(BM_AdvancedTree)->Arg(20)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

TIDEWELL_WIDGETS_BENCHMARK_MAIN()
