#include "monitor/SystemMonitor.h"

#include "monitor/HardwareIdentityReader.h"

#include <QTimer>

#include <algorithm>
#include <climits>

namespace tw {

namespace {

constexpr qsizetype kHistoryLength = 60;
constexpr double kMinimumElapsed = 0.2;  // seconds; rates and shares need a reading at least this old
constexpr std::size_t kTopByProcessor = 8;
constexpr std::size_t kTopByMemory = 6;

double seconds(std::chrono::nanoseconds d)
{
    return std::chrono::duration<double>(d).count();
}

// The growth of a counter. One that went back (reset, wrapped, or a reused
// process id) counts as no growth for this pass.
std::uint64_t growth(std::uint64_t current, std::uint64_t previous)
{
    return current >= previous ? current - previous : 0;
}

// The `limit` highest processes by key among those listed, highest first;
// ties keep the listing order.
template <typename Key>
QList<LiveProcess> topRows(std::vector<std::size_t>& order, std::size_t limit, Key key,
                           const std::vector<ProcessSample>& processes, const std::vector<double>& shares)
{
    const std::size_t n = std::min(limit, order.size());
    std::partial_sort(order.begin(), order.begin() + std::ptrdiff_t(n), order.end(), [&](std::size_t a, std::size_t b) {
        return key(a) != key(b) ? key(a) > key(b) : a < b;
    });
    QList<LiveProcess> rows;
    rows.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i) {
        const ProcessSample& p = processes[order[i]];
        rows.append(LiveProcess{p.pid, QString::fromUtf8(p.name), shares[order[i]], p.resident});
    }
    return rows;
}

} // namespace

SystemMonitor::SystemMonitor(const Sources& sources, QObject* parent)
    : QObject(parent), m_sources(sources), m_previousProcessTime(sources.clock->monotonic())
{
    sample();
}

SystemMonitor& SystemMonitor::shared()
{
    // Never destroyed: it samples until the process ends.
    static SystemMonitor* const monitor = [] {
        static LinuxProcReaders host;
        static const std::unique_ptr<IdentityReader> identity = makeHostIdentityReader();
        static SteadyMonitorClock clock;
        auto* m = new SystemMonitor({&host, identity.get(), &clock});
        m->start();
        return m;
    }();
    return *monitor;
}

void SystemMonitor::start()
{
    if (m_timer)
        return;
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &SystemMonitor::sample);
    m_timer->start();
}

void SystemMonitor::sample()
{
    ProcReaders& host = *m_sources.host;
    SystemSnapshot s = m_snapshot;
    s.coreCount = host.activeProcessorCount();
    s.memoryTotal = host.physicalMemory();
    const KernelStat kernel = host.readKernelStat();
    const QDateTime now = m_sources.clock->now();
    s.uptime = kernel.bootTime ? std::max(0.0, double(now.toMSecsSinceEpoch()) / 1000 - double(*kernel.bootTime)) : 0;
    s.updatedAt = now;
    sampleProcessor(s, kernel.cpu);

    m_history.append(s.cpuPercent);
    if (m_history.size() > kHistoryLength)
        m_history.remove(0, m_history.size() - kHistoryLength);
    s.cpuHistory = m_history;

    if (const auto load = host.readLoad()) {
        s.load1 = load->one;
        s.load5 = load->five;
        s.load15 = load->fifteen;
    }
    sampleMemory(s);
    sampleProcesses(s);
    sampleDiskIO(s);
    sampleVolume(s);
    sampleNetwork(s);
    sampleIdentity(s);

    m_snapshot = std::move(s);
    emit snapshotChanged();
}

void SystemMonitor::sampleProcessor(SystemSnapshot& s, const std::optional<CpuTicks>& ticks)
{
    if (!ticks)
        return;
    if (const auto& was = m_previousCPU) {
        const bool backward =
            ticks->user < was->user || ticks->system < was->system || ticks->idle < was->idle || ticks->nice < was->nice;
        const double user = double(growth(ticks->user, was->user)) + double(growth(ticks->nice, was->nice));
        const double system = double(growth(ticks->system, was->system));
        const double idle = double(growth(ticks->idle, was->idle));
        // No ticks, or counters that went back: the previous percentages stay.
        if (const double total = user + system + idle; !backward && total > 0) {
            s.cpuUser = user / total * 100;
            s.cpuSystem = system / total * 100;
            s.cpuIdle = idle / total * 100;
            s.cpuPercent = std::min(s.cpuUser + s.cpuSystem, 100.0);
        }
    }
    m_previousCPU = ticks;
}

void SystemMonitor::sampleMemory(SystemSnapshot& s)
{
    const auto m = m_sources.host->readMemory();
    if (!m)
        return;
    const std::uint64_t total = s.memoryTotal;
    s.memoryUsed = m->cached < total && m->free < total - m->cached ? total - m->cached - m->free
                                                                    : m->app + m->wired + m->compressed;
    s.appMemory = m->app;
    s.memoryWired = m->wired;
    s.memoryCompressed = m->compressed;
    s.cachedFiles = m->cached;
    s.memoryFree = m->free;
    s.swapUsed = m->swap;
}

void SystemMonitor::sampleProcesses(SystemSnapshot& s)
{
    ProcReaders& host = *m_sources.host;
    if (!host.readProcesses(m_processes)) {
        s.topProcesses.clear();
        s.topMemoryProcesses.clear();
        s.processCount = s.threadCount = 0;
        return;
    }
    const auto now = m_sources.clock->monotonic();
    const double elapsed = seconds(now - m_previousProcessTime);
    m_previousProcessTime = now;
    const double secondsPerTick = 1 / host.processTicksPerSecond();

    m_tasks.clear();
    m_shares.clear();
    m_listed.clear();
    long long threads = 0;
    auto was = m_previousTasks.cbegin();  // both lists ascend by pid
    for (std::size_t i = 0; i < m_processes.size(); ++i) {
        const ProcessSample& p = m_processes[i];
        threads += p.threads;
        m_tasks.push_back({p.pid, p.userTicks, p.systemTicks});
        while (was != m_previousTasks.cend() && was->pid < p.pid)
            ++was;
        double share = 0;
        if (elapsed > kMinimumElapsed && was != m_previousTasks.cend() && was->pid == p.pid
            && p.userTicks >= was->user && p.systemTicks >= was->system) {
            const double ticks = double(p.userTicks - was->user) + double(p.systemTicks - was->system);
            share = ticks * secondsPerTick / elapsed * 100;
        }
        m_shares.push_back(share);
        if (!p.name.isEmpty())
            m_listed.push_back(i);  // a process without a name is counted, not listed
    }
    std::swap(m_previousTasks, m_tasks);

    s.processCount = int(m_processes.size());
    s.threadCount = int(std::min<long long>(threads, INT_MAX));
    m_order = m_listed;
    s.topProcesses = topRows(m_order, kTopByProcessor, [&](std::size_t i) { return m_shares[i]; }, m_processes, m_shares);
    m_order = m_listed;
    s.topMemoryProcesses =
        topRows(m_order, kTopByMemory, [&](std::size_t i) { return m_processes[i].resident; }, m_processes, m_shares);
}

void SystemMonitor::sampleDiskIO(SystemSnapshot& s)
{
    const auto io = m_sources.host->readDiskIO();
    if (!io)
        return;  // totals, rates and the previous reading stay as they were
    s.diskReadTotal = io->read;
    s.diskWriteTotal = io->write;
    const auto now = m_sources.clock->monotonic();
    if (m_previousDiskIO) {
        if (const double elapsed = seconds(now - m_previousDiskIO->time); elapsed > kMinimumElapsed) {
            s.diskReadPerSec = double(growth(io->read, m_previousDiskIO->totals.read)) / elapsed;
            s.diskWritePerSec = double(growth(io->write, m_previousDiskIO->totals.write)) / elapsed;
        }
    }
    m_previousDiskIO = DiskIOReading{*io, now};
}

void SystemMonitor::sampleVolume(SystemSnapshot& s)
{
    const auto volume = m_sources.host->readVolume();
    if (!volume)
        return;
    s.diskName = volume->label.isEmpty() ? QStringLiteral("Macintosh HD") : volume->label;
    s.diskMediaName = m_sources.identity->ioRegistryDiskProductName().value_or(s.diskName);
    s.diskTotal = volume->total;
    s.diskUsed = volume->used;
    s.diskFree = volume->free;
}

void SystemMonitor::sampleNetwork(SystemSnapshot& s)
{
    if (!m_sources.host->readNetwork(m_network))
        return;  // rates and the previous reading stay as they were
    const auto now = m_sources.clock->monotonic();
    if (m_previousNetTime) {
        if (const double elapsed = seconds(now - *m_previousNetTime); elapsed > kMinimumElapsed) {
            // Per interface, so that one that comes or goes does not count its whole total.
            double in = 0, out = 0;
            for (const InterfaceBytes& i : m_network) {
                const auto was = std::find_if(m_previousNet.cbegin(), m_previousNet.cend(),
                                              [&](const InterfaceBytes& p) { return p.name == i.name; });
                if (was == m_previousNet.cend())
                    continue;
                in += double(growth(i.in, was->in));
                out += double(growth(i.out, was->out));
            }
            s.networkInPerSec = in / elapsed;
            s.networkOutPerSec = out / elapsed;
        }
    }
    std::swap(m_previousNet, m_network);
    m_previousNetTime = now;
}

void SystemMonitor::sampleIdentity(SystemSnapshot& s)
{
    IdentityReader& reader = *m_sources.identity;
    const HardwareIdentity id = reader.readHardwareIdentity();
    s.machineName = id.machineName;
    s.marketingTitle = id.marketingTitle;
    s.modelYear = id.modelYear;
    s.machineModel = id.modelNumber;
    s.modelIdentifier = id.identifier;
    s.chipName = id.chip;
    s.graphicsName = id.graphics;
    s.serialNumber = id.serial;
    s.osVersion = id.osVersion;
    s.releaseDate = id.releaseDate;
    s.manufactureDate = id.manufactureDate;
    s.origin = id.origin;
    s.ssdProductName = reader.readSSDProductName();

    const auto battery = reader.readBattery();
    s.batteryPresent = battery.has_value();
    if (!battery)
        return;  // the other battery fields keep what they last showed
    s.batteryCharge = battery->charge;
    s.batteryHealth = battery->health;
    s.batteryCycleCount = battery->cycles;
    s.batteryIsCharging = battery->charging;
    s.batteryTemperatureC = battery->temperatureC;
}

} // namespace tw
