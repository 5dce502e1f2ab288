#include "menubar/CompactMonitorTexts.h"

#include "monitor/MonitorFormat.h"
#include "platform/Format.h"
#include "views/kit/MonitorWidgets.h"

namespace tw::compactmonitortexts {

double memoryPercent(const SystemSnapshot& s)
{
    return monitorstyle::usedPercent(double(s.memoryUsed), double(s.memoryTotal));
}

double storagePercent(const SystemSnapshot& s)
{
    return monitorstyle::usedPercent(double(s.diskUsed), double(s.diskTotal));
}

QString cpuDetail(const SystemSnapshot& s)
{
    return cFormat("%.1f%%", s.cpuPercent);
}

QString cpuSplit(const SystemSnapshot& s)
{
    return cFormat("System %.2f%%", s.cpuSystem) + cFormat("    User %.2f%%", s.cpuUser)
        + cFormat("    Idle %.2f%%", s.cpuIdle);
}

QString memoryDetail(const SystemSnapshot& s)
{
    return monitorformat::memory(s.memoryUsed) + QStringLiteral(" / ") + monitorformat::memory(s.memoryTotal);
}

QString memoryBreakdown(const SystemSnapshot& s)
{
    return QStringLiteral("App ") + monitorformat::memory(s.appMemory) + QStringLiteral("    Wired ")
        + monitorformat::memory(s.memoryWired) + QStringLiteral("    Compressed ")
        + monitorformat::memory(s.memoryCompressed);
}

QString memoryCache(const SystemSnapshot& s)
{
    return QStringLiteral("Cached ") + monitorformat::memory(s.cachedFiles) + QStringLiteral("    Swap ")
        + monitorformat::memory(s.swapUsed);
}

QString storageDetail(const SystemSnapshot& s)
{
    return monitorformat::disk(s.diskUsed) + QStringLiteral(" of ") + monitorformat::disk(s.diskTotal);
}

QString storageLine(const SystemSnapshot& s)
{
    return monitorformat::disk(s.diskFree) + QStringLiteral(" available    R ")
        + monitorformat::perSecond(s.diskReadPerSec) + QStringLiteral("    W ")
        + monitorformat::perSecond(s.diskWritePerSec);
}

std::optional<QString> topProcess(const SystemSnapshot& s)
{
    if (s.topProcesses.isEmpty())
        return std::nullopt;
    const LiveProcess& busiest = s.topProcesses.front();
    return busiest.name + QStringLiteral("  ") + cFormat("%.1f%%", busiest.cpuPercent);
}

QString networkIn(const SystemSnapshot& s)
{
    return QStringLiteral("↓ ") + monitorformat::perSecond(s.networkInPerSec);
}

QString networkOut(const SystemSnapshot& s)
{
    return QStringLiteral("↑ ") + monitorformat::perSecond(s.networkOutPerSec);
}

} // namespace tw::compactmonitortexts
