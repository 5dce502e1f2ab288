#pragma once

#include "platform/ProcReaders.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace tw {

// One process row of the monitor.
struct LiveProcess {
    std::int32_t pid = 0;
    QString name;
    double cpuPercent = 0;  // of one processor; above 100 when it runs on several at once
    std::uint64_t memory = 0;  // bytes
    friend bool operator==(const LiveProcess&, const LiveProcess&) = default;
};

// One pass of the system monitor. Percentages are on the 0 to 100 scale,
// sizes in bytes, rates in bytes per second, times in seconds.
struct SystemSnapshot {
    static QDateTime distantPast() { return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC); }

    double cpuPercent = 0;
    double cpuUser = 0;
    double cpuSystem = 0;
    double cpuIdle = 100;
    double load1 = 0;
    double load5 = 0;
    double load15 = 0;
    int coreCount = activeProcessorCount();
    int processCount = 0;
    int threadCount = 0;
    QList<double> cpuHistory;  // at most 60, oldest first
    QList<LiveProcess> topProcesses;  // at most 8, by processor share
    std::uint64_t memoryTotal = physicalMemoryBytes();
    std::uint64_t memoryUsed = 0;
    std::uint64_t appMemory = 0;
    std::uint64_t memoryWired = 0;
    std::uint64_t memoryCompressed = 0;
    std::uint64_t cachedFiles = 0;
    std::uint64_t memoryFree = 0;
    std::uint64_t swapUsed = 0;
    QString diskName = QStringLiteral("Macintosh HD");
    std::uint64_t diskTotal = 0;
    std::uint64_t diskUsed = 0;
    std::uint64_t diskFree = 0;
    std::uint64_t diskReadTotal = 0;
    std::uint64_t diskWriteTotal = 0;
    double diskReadPerSec = 0;
    double diskWritePerSec = 0;
    double networkInPerSec = 0;
    double networkOutPerSec = 0;
    double uptime = 0;
    QDateTime updatedAt = distantPast();
    QList<LiveProcess> topMemoryProcesses;  // at most 6, by memory
    QString machineName = QStringLiteral("Mac");
    QString marketingTitle = QStringLiteral("Mac");
    std::optional<int> modelYear;
    QString machineModel;
    QString modelIdentifier;
    QString ssdProductName;
    QString chipName;
    QString graphicsName;
    QString serialNumber;
    QString osVersion;
    QString releaseDate;
    QString manufactureDate;
    QString origin;
    QString diskMediaName = QStringLiteral("Macintosh HD");
    bool batteryPresent = false;
    double batteryCharge = 0;
    double batteryHealth = 0;
    int batteryCycleCount = 0;
    bool batteryIsCharging = false;
    std::optional<double> batteryTemperatureC;

    friend bool operator==(const SystemSnapshot&, const SystemSnapshot&) = default;
};

} // namespace tw
