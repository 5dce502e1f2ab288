#include "menubar/CompactMonitorTexts.h"
#include "menubar/MenuBarRig.h"
#include "menubar/SystemMonitorCompact.h"
#include "monitor/MonitorFormat.h"
#include "views/kit/MonitorWidgets.h"
#include "views/kit/TintedLabel.h"

#include <QLayout>

#include <cmath>
#include <limits>

using namespace tw;
using namespace tw::test;

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

const QColor red = QColor::fromRgbF(0.86f, 0.24f, 0.22f);
const QColor orange = QColor::fromRgbF(0.93f, 0.55f, 0.16f);
const QColor green = QColor::fromRgbF(0.18f, 0.68f, 0.36f);

bool sameColour(const QColor& a, const QColor& b)
{
    return a.rgba() == b.rgba();
}

SystemSnapshot busy()
{
    SystemSnapshot s;
    s.cpuPercent = 37.5;
    s.cpuSystem = 5;
    s.cpuUser = 12.5;
    s.cpuIdle = 82.5;
    s.memoryTotal = 16 * GiB;
    s.memoryUsed = 6 * GiB;
    s.appMemory = 3 * GiB;
    s.memoryWired = GiB;
    s.memoryCompressed = 512ull << 20;
    s.cachedFiles = 2 * GiB;
    s.swapUsed = 0;
    s.diskTotal = 500'000'000'000;
    s.diskUsed = 125'000'000'000;
    s.diskFree = 375'000'000'000;
    s.diskReadPerSec = 1'500;
    s.diskWritePerSec = 2'400'000;
    s.networkInPerSec = 1'234;
    s.networkOutPerSec = 340;
    s.uptime = 2 * 86400 + 5 * 3600 + 17;
    s.topProcesses = {{1, QStringLiteral("Safari"), 112.34, 0}, {2, QStringLiteral("Mail"), 3, 0}};
    s.cpuHistory = {10, 20, 37.5};
    return s;
}

// The pane over the rig's monitor, at the size the side panel gives it, in a
// window that lays out nothing (so the pane may be shorter than it asks).
struct Pane {
    MenuBarRig rig;
    QWidget window;
    SystemMonitorCompact& pane = *new SystemMonitorCompact(rig.monitor, &window);
    Pane()
    {
        window.resize(460, 900);
        pane.resize(460, 380);
        window.show();
    }
    QString text(SystemMonitorCompact::Line which) const { return pane.line(which)->text(); }
};

} // namespace

TEST(CompactMonitor, TextsOfASnapshot)
{
    const SystemSnapshot s = busy();
    namespace T = compactmonitortexts;
    EXPECT_EQ(T::cpuDetail(s), "37.5%");
    EXPECT_EQ(T::cpuSplit(s), "System 5.00%    User 12.50%    Idle 82.50%");
    EXPECT_EQ(T::memoryDetail(s), "6.00 GB / 16.00 GB");
    EXPECT_EQ(T::memoryBreakdown(s), "App 3.00 GB    Wired 1.00 GB    Compressed 512.0 MB");
    EXPECT_EQ(T::memoryCache(s), "Cached 2.00 GB    Swap 0 bytes");
    EXPECT_EQ(T::storageDetail(s), "125.00 GB of 500.00 GB");
    EXPECT_EQ(T::storageLine(s), "375.00 GB available    R 2 KB/s    W 2.4 MB/s");
    EXPECT_EQ(T::topProcess(s), QStringLiteral("Safari  112.3%"));  // beyond one core
    EXPECT_EQ(T::networkIn(s), QStringLiteral("\u2193 1 KB/s"));
    EXPECT_EQ(T::networkOut(s), QStringLiteral("\u2191 340 bytes/s"));
    EXPECT_EQ(T::memoryPercent(s), 37.5);
    EXPECT_EQ(T::storagePercent(s), 25);

    SystemSnapshot none;
    none.memoryTotal = 0;
    none.diskTotal = 0;
    none.memoryUsed = GiB;
    none.diskUsed = 1'000;
    EXPECT_EQ(T::memoryPercent(none), 0);
    EXPECT_EQ(T::storagePercent(none), 0);
    EXPECT_EQ(T::topProcess(none), std::nullopt);
    none.memoryTotal = 8 * GiB;
    none.memoryUsed = 9 * GiB;
    EXPECT_EQ(T::memoryPercent(none), 100);  // more used than there is: capped
}

TEST(CompactMonitor, LoadColoursAtTheirThresholds)
{
    struct Case {
        double percent;
        QColor expected;
    };
    const Case cases[] = {{0, green},         {59.9, green}, {60, orange}, {84.9, orange},
                          {85, red},          {100, red},    {250, red},   {-3, green},
                          {std::numeric_limits<double>::quiet_NaN(), green}};
    for (const Case& c : cases)
        EXPECT_TRUE(sameColour(monitorstyle::loadColour(c.percent), c.expected)) << c.percent;
}

TEST(CompactMonitor, ShowsEachSnapshotAsItIs)
{
    Pane p;
    using L = SystemMonitorCompact::Line;
    SystemSnapshot s = busy();
    p.pane.showSnapshot(s);
    EXPECT_EQ(p.text(L::title), "System");
    EXPECT_EQ(p.text(L::subtitle), "Live Mac performance");
    EXPECT_EQ(p.pane.processor().title->text(), "CPU");
    EXPECT_EQ(p.pane.processor().detail->text(), "37.5%");
    EXPECT_EQ(p.pane.memory().detail->text(), "6.00 GB / 16.00 GB");
    EXPECT_EQ(p.pane.storage().title->text(), "Storage");
    EXPECT_EQ(p.text(L::cpuSplit), "System 5.00%    User 12.50%    Idle 82.50%");
    EXPECT_EQ(p.text(L::memoryCache), "Cached 2.00 GB    Swap 0 bytes");
    EXPECT_EQ(p.text(L::storage), "375.00 GB available    R 2 KB/s    W 2.4 MB/s");
    EXPECT_EQ(p.text(L::process), "Safari  112.3%");
    EXPECT_EQ(p.text(L::networkOut), QStringLiteral("\u2191 340 bytes/s"));
    EXPECT_EQ(p.text(L::uptime), "Up 2d 5h");
    EXPECT_EQ(p.pane.memory().bar->percent(), 37.5);
    EXPECT_EQ(p.pane.storage().bar->percent(), 25);
    EXPECT_EQ(p.pane.sparkline()->values(), s.cpuHistory);

    // The load colours follow each snapshot; the storage bar keeps the accent.
    struct Case {
        double cpu;
        std::uint64_t memoryUsed, memoryTotal;
        QColor cpuTint, memoryTint;
        double memoryPercent;
    };
    const Case cases[] = {
        {59.9, 4 * GiB, 8 * GiB, green, green, 50},
        {60, 5 * GiB, 8 * GiB, orange, orange, 62.5},
        {84.9, 9 * GiB, 8 * GiB, orange, red, 100},
        {85, GiB, 0, red, green, 0},
    };
    for (const Case& c : cases) {
        s.cpuPercent = c.cpu;
        s.memoryUsed = c.memoryUsed;
        s.memoryTotal = c.memoryTotal;
        s.diskTotal = 0;
        p.pane.showSnapshot(s);
        EXPECT_TRUE(sameColour(p.pane.processor().bar->tint(), c.cpuTint)) << c.cpu;
        EXPECT_TRUE(sameColour(p.pane.sparkline()->tint(), c.cpuTint)) << c.cpu;
        EXPECT_EQ(p.pane.processor().bar->percent(), c.cpu);
        EXPECT_TRUE(sameColour(p.pane.memory().bar->tint(), c.memoryTint)) << c.memoryUsed;
        EXPECT_EQ(p.pane.memory().bar->percent(), c.memoryPercent);
        EXPECT_EQ(p.pane.storage().bar->percent(), 0);
        EXPECT_TRUE(sameColour(p.pane.storage().bar->tint(), AppTheme::accent()));
    }
}

TEST(CompactMonitor, ProcessLineOnlyWhileAProcessIsKnown)
{
    Pane p;
    using L = SystemMonitorCompact::Line;
    SystemSnapshot s = busy();
    p.pane.showSnapshot(s);
    QCoreApplication::processEvents();
    TintedLabel* process = p.pane.line(L::process);
    TintedLabel* storage = p.pane.line(L::storage);
    TintedLabel* down = p.pane.line(L::networkIn);
    ASSERT_TRUE(process->isVisible());
    EXPECT_GT(down->geometry().top(), process->geometry().bottom());

    // Without processes the network row follows the storage line directly.
    s.topProcesses.clear();
    p.pane.showSnapshot(s);
    p.pane.layout()->activate();
    EXPECT_FALSE(process->isVisible());
    const int gap = down->geometry().top() - storage->geometry().bottom() - 1;
    EXPECT_GE(gap, 0);
    EXPECT_LE(gap, p.pane.rowSpacing() + 2);

    s.topProcesses = {{7, QStringLiteral("Finder"), 4, 0}};
    p.pane.showSnapshot(s);
    EXPECT_TRUE(process->isVisible());
    EXPECT_EQ(process->text(), "Finder  4.0%");
}

TEST(CompactMonitor, FollowsTheMonitorAndTheTheme)
{
    Pane p;
    using L = SystemMonitorCompact::Line;
    // A published snapshot reaches the pane without a call of its own.
    p.pane.showSnapshot(busy());
    p.rig.monitorClock.advance(3);
    p.rig.monitor.sample();
    ASSERT_NE(p.text(L::uptime), "Up 2d 5h");
    EXPECT_EQ(p.text(L::uptime), uptimeText(p.rig.monitor.snapshot().uptime));
    EXPECT_EQ(p.pane.processor().detail->text(), compactmonitortexts::cpuDetail(p.rig.monitor.snapshot()));

    for (AppAppearance a : allCases<AppAppearance>()) {
        p.rig.theme().apply(a, true);
        settle();
        const QPalette title = p.pane.line(L::title)->palette();
        const QPalette split = p.pane.line(L::cpuSplit)->palette();
        EXPECT_EQ(title.color(QPalette::WindowText), AppTheme::primaryText(a)) << rawValue(a).toStdString();
        EXPECT_EQ(split.color(QPalette::WindowText), AppTheme::secondaryText(a)) << rawValue(a).toStdString();
    }
}

TEST(CompactMonitor, RowsCloseUpInAShortPanel)
{
    Pane p;
    p.pane.showSnapshot(busy());
    p.pane.resize(460, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.pane.rowSpacing(), 12);
    p.pane.resize(460, 300);
    QCoreApplication::processEvents();
    EXPECT_LT(p.pane.rowSpacing(), 12);
    EXPECT_GE(p.pane.rowSpacing(), 6);
    p.pane.resize(460, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.pane.rowSpacing(), 12);
}
