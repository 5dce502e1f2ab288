#include "menubar/CompactMonitorTexts.h"

#include "monitor/MonitorFormat.h"
#include "platform/Format.h"
#include "views/kit/MonitorWidgets.h"

namespace tw::CompactMonitorTexts {

double memoryPercent(const SystemSnapshot& s)
{
    return MonitorStyle::usedPercent(double(s.memoryUsed), double(s.memoryTotal));
}

double storagePercent(const SystemSnapshot& s)
{
    return MonitorStyle::usedPercent(double(s.diskUsed), double(s.diskTotal));
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
    return MonitorFormat::memory(s.memoryUsed) + QStringLiteral(" / ") + MonitorFormat::memory(s.memoryTotal);
}

QString memoryBreakdown(const SystemSnapshot& s)
{
    return QStringLiteral("App ") + MonitorFormat::memory(s.appMemory) + QStringLiteral("    Wired ")
        + MonitorFormat::memory(s.memoryWired) + QStringLiteral("    Compressed ")
        + MonitorFormat::memory(s.memoryCompressed);
}

QString memoryCache(const SystemSnapshot& s)
{
    return QStringLiteral("Cached ") + MonitorFormat::memory(s.cachedFiles) + QStringLiteral("    Swap ")
        + MonitorFormat::memory(s.swapUsed);
}

QString storageDetail(const SystemSnapshot& s)
{
    return MonitorFormat::disk(s.diskUsed) + QStringLiteral(" of ") + MonitorFormat::disk(s.diskTotal);
}

QString storageLine(const SystemSnapshot& s)
{
    return MonitorFormat::disk(s.diskFree) + QStringLiteral(" available    R ")
        + MonitorFormat::perSecond(s.diskReadPerSec) + QStringLiteral("    W ")
        + MonitorFormat::perSecond(s.diskWritePerSec);
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
    return QStringLiteral("↓ ") + MonitorFormat::perSecond(s.networkInPerSec);
}

QString networkOut(const SystemSnapshot& s)
{
    return QStringLiteral("↑ ") + MonitorFormat::perSecond(s.networkOutPerSec);
}

} // namespace tw::CompactMonitorTexts
