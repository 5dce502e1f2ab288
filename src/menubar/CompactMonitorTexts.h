#pragma once

#include "monitor/SystemSnapshot.h"

#include <QString>

#include <optional>

namespace tw {

// What the compact monitor shows for a snapshot: its texts and gauge
// percents, apart from the widgets (its load colours are MonitorStyle's).
namespace compactmonitortexts {

// Used of total as a percent, at most 100; 0 without a total.
double memoryPercent(const SystemSnapshot& s);
double storagePercent(const SystemSnapshot& s);

QString cpuDetail(const SystemSnapshot& s);       // "37.5%"
QString cpuSplit(const SystemSnapshot& s);        // "System 5.00%    User 12.50%    Idle 82.50%"
QString memoryDetail(const SystemSnapshot& s);    // used " / " total
QString memoryBreakdown(const SystemSnapshot& s); // "App …    Wired …    Compressed …"
QString memoryCache(const SystemSnapshot& s);     // "Cached …    Swap …"
QString storageDetail(const SystemSnapshot& s);   // used " of " total
QString storageLine(const SystemSnapshot& s);     // "… available    R …/s    W …/s"
// The busiest process and its share ("Safari  12.3%"); none without processes.
std::optional<QString> topProcess(const SystemSnapshot& s);
QString networkIn(const SystemSnapshot& s);       // "↓ 1.2 KB/s"
QString networkOut(const SystemSnapshot& s);      // "↑ 340 B/s"

} // namespace compactmonitortexts
} // namespace tw
