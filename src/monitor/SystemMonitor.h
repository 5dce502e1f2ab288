#pragma once

#include "monitor/IdentityReader.h"
#include "monitor/SystemSnapshot.h"
#include "platform/ProcReaders.h"

#include <QObject>

#include <chrono>
#include <optional>
#include <vector>

class QTimer;

namespace tw {

// The live system monitor: reads the machine once a second and publishes
// each pass as one snapshot. Lives on the GUI thread; views only read
// snapshot() and redraw on snapshotChanged().
class SystemMonitor : public QObject {
    Q_OBJECT
public:
    // What a monitor reads from; none of it is owned.
    struct Sources {
        ProcReaders* host = nullptr;
        IdentityReader* identity = nullptr;
        MonitorClock* clock = nullptr;
    };

    // Samples once before returning; start() makes the one-second timer.
    explicit SystemMonitor(const Sources& sources, QObject* parent = nullptr);

    // The process's monitor over this host, made (sampled and started) by
    // its first caller on the GUI thread; it lives until the process ends.
    static SystemMonitor& shared();

    const SystemSnapshot& snapshot() const { return m_snapshot; }
    // One pass: reads everything, then publishes once.
    void sample();
    // Samples every second from now on; a second call changes nothing.
    void start();

signals:
    void snapshotChanged();

private:
    using Nanoseconds = std::chrono::nanoseconds;
    struct TaskTimes {
        std::int32_t pid;
        std::uint64_t user, system;
    };
    struct DiskIOReading {
        DiskTotals totals;
        Nanoseconds time;
    };

    void sampleProcessor(SystemSnapshot& s, const std::optional<CpuTicks>& ticks);
    void sampleMemory(SystemSnapshot& s);
    void sampleProcesses(SystemSnapshot& s);
    void sampleDiskIO(SystemSnapshot& s);
    void sampleVolume(SystemSnapshot& s);
    void sampleNetwork(SystemSnapshot& s);
    void sampleIdentity(SystemSnapshot& s);

    Sources m_sources;
    SystemSnapshot m_snapshot;
    QTimer* m_timer = nullptr;
    std::optional<CpuTicks> m_previousCPU;
    std::vector<InterfaceBytes> m_previousNet;
    std::optional<Nanoseconds> m_previousNetTime;
    std::optional<DiskIOReading> m_previousDiskIO;
    std::vector<TaskTimes> m_previousTasks;  // ascending pid
    Nanoseconds m_previousProcessTime;
    QList<double> m_history;  // at most 60, oldest first

    // Reused by every pass.
    std::vector<ProcessSample> m_processes;
    std::vector<double> m_shares;       // processor share of m_processes[i]
    std::vector<std::size_t> m_listed;  // the processes with a name
    std::vector<std::size_t> m_order;
    std::vector<TaskTimes> m_tasks;
    std::vector<InterfaceBytes> m_network;
};

} // namespace tw
