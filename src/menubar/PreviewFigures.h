#pragma once

#include "engine/cleaner/RemovableItem.h"
#include "engine/inventory/ModelsFwd.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace tw {

class AppScanner;
class SystemCleaner;
class UpdateChecker;
struct SystemSnapshot;

// The figures of the quick preview, read from the engines and the monitor's
// latest snapshot each time the preview changes.
struct PreviewFigures {
    int installedApps = 0;         // user applications, group members counted one by one
    std::int64_t totalSize = 0;    // every top-level entry's display size
    int availableUpdates = 0;      // rows the own checker found an update for
    int activeStartup = 0;         // startup items switched on
    int remains = 0;               // the last remains scan's count
    double cpuPercent = 0;         // as sampled, no cap
    double memoryPercent = 0;      // used of total, at most 100

    static PreviewFigures read(const AppScanner& scanner, const SystemCleaner& cleaner, const UpdateChecker& updates,
                               const SystemSnapshot& snapshot);

    // Each entry replaced by its members when it has any (one level), then
    // the system applications left out; in list order.
    static QList<AppInfoPtr> installed(const QList<AppInfoPtr>& apps);
    static std::int64_t total(const QList<AppInfoPtr>& apps);
    static int active(const QList<RemovableItem>& startupItems);

    // "Installed: 42 apps at 12.35 GB"
    QString installedLine() const;
    // The Applications card's figure.
    QString sizeText() const;
    // A whole percent: "37%".
    static QString percentText(double percent);

    friend bool operator==(const PreviewFigures&, const PreviewFigures&) = default;
};

} // namespace tw
