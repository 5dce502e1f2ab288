#include "monitor/SystemMonitor.h"

#include "platform/DescriptorGate.h"
#include "platform/Delivery.h"

#include <QTimer>

#include <algorithm>
#include <climits>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

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

class SystemMonitor::Sampler {
public:
    explicit Sampler(const Sources& sources)
        : m_sources(sources), m_previousProcessTime(sources.clock->monotonic())
    {
    }

    struct Pass {
        SystemSnapshot snapshot;
        std::uint64_t sequence;
    };
    // One pass over the sources; none once retired.
    std::optional<Pass> pass();
    // No pass runs after this returns.
    void retire()
    {
        const std::lock_guard lock(m_mutex);
        m_retired = true;
    }

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
    void sampleProcesses(SystemSnapshot& s, const descriptors::NoWait& noWait);
    void sampleDiskIO(SystemSnapshot& s);
    void sampleVolume(SystemSnapshot& s);
    void sampleNetwork(SystemSnapshot& s);
    void sampleIdentity(SystemSnapshot& s);

    std::mutex m_mutex;
    bool m_retired = false;
    std::uint64_t m_sequence = 0;
    Sources m_sources;
    SystemSnapshot m_current;  // the last pass's snapshot, the next one's start
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
    std::unordered_map<std::string_view, std::size_t> m_netIndex;  // names of m_previousNet
};

SystemMonitor::SystemMonitor(const Sources& sources, FirstPass first, QObject* parent)
    : QObject(parent), m_sampler(std::make_shared<Sampler>(sources))
{
    if (first == FirstPass::Here)
        sample();
}

SystemMonitor::~SystemMonitor()
{
    m_sampler->retire();
}

void SystemMonitor::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    if (m_timer)
        m_timer->setInterval(interval);
}

void SystemMonitor::start()
{
    if (m_timer)
        return;
    m_timer = new QTimer(this);
    m_timer->setInterval(m_interval);
    connect(m_timer, &QTimer::timeout, this, &SystemMonitor::requestSample);
    m_timer->start();
    if (m_passes == 0)
        requestSample();
}

void SystemMonitor::sample()
{
    if (auto pass = m_sampler->pass())
        publish(std::move(pass->snapshot), pass->sequence);
}

bool SystemMonitor::requestSample()
{
    if (m_sampling) {
        ++m_skipped;
        return false;
    }
    m_sampling = true;
    runInBackground(this, [sampler = m_sampler] { return sampler->pass(); },
                    [this](std::optional<Sampler::Pass> pass) {
                        m_sampling = false;
                        if (pass)
                            publish(std::move(pass->snapshot), pass->sequence);
                    });
    return true;
}

void SystemMonitor::publish(SystemSnapshot snapshot, std::uint64_t sequence)
{
    // A synchronous pass may have overtaken a pool pass's delivery.
    if (sequence <= m_published)
        return;
    m_published = sequence;
    ++m_passes;
    m_snapshot = std::move(snapshot);
    emit snapshotChanged();
}

std::optional<SystemMonitor::Sampler::Pass> SystemMonitor::Sampler::pass()
{
    const std::lock_guard lock(m_mutex);
    if (m_retired)
        return std::nullopt;
    // A pass never waits for a file descriptor: one that runs out of them is
    // skipped, and the next tries again. Its readings that came in stand as
    // the previous ones.
    const descriptors::NoWait noWait;
    ProcReaders& host = *m_sources.host;
    SystemSnapshot s = m_current;
    s.coreCount = host.activeProcessorCount();
    s.memoryTotal = host.physicalMemory();
    const KernelStat kernel = host.readKernelStat();
    const QDateTime now = m_sources.clock->now();
    s.uptime = kernel.bootTime ? std::max(0.0, double(now.toMSecsSinceEpoch()) / 1000 - double(*kernel.bootTime)) : 0;
    s.updatedAt = now;
    sampleProcessor(s, kernel.cpu);
    if (const auto load = host.readLoad()) {
        s.load1 = load->one;
        s.load5 = load->five;
        s.load15 = load->fifteen;
    }
    sampleMemory(s);
    sampleProcesses(s, noWait);
    sampleDiskIO(s);
    sampleVolume(s);
    sampleNetwork(s);
    sampleIdentity(s);
    if (noWait.ranOut())
        return std::nullopt;

    m_history.append(s.cpuPercent);
    if (m_history.size() > kHistoryLength)
        m_history.remove(0, m_history.size() - kHistoryLength);
    s.cpuHistory = m_history;
    m_current = s;
    return Pass{std::move(s), ++m_sequence};
}

void SystemMonitor::Sampler::sampleProcessor(SystemSnapshot& s, const std::optional<CpuTicks>& ticks)
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

void SystemMonitor::Sampler::sampleMemory(SystemSnapshot& s)
{
    const auto m = m_sources.host->readMemory();
    if (!m)
        return;
    // No kind of memory, nor what is in use, is larger than the whole: a
    // reading that says otherwise is none, and the fields keep what they showed.
    const std::uint64_t total = s.memoryTotal;
    if (std::max({m->app, m->wired, m->compressed, m->cached, m->free}) > total)
        return;
    std::uint64_t used = 0;
    if (m->free < total - m->cached)
        used = total - m->cached - m->free;
    else if (__builtin_add_overflow(m->app, m->wired, &used) || __builtin_add_overflow(used, m->compressed, &used)
             || used > total)
        return;
    s.memoryUsed = used;
    s.appMemory = m->app;
    s.memoryWired = m->wired;
    s.memoryCompressed = m->compressed;
    s.cachedFiles = m->cached;
    s.memoryFree = m->free;
    s.swapUsed = m->swap;
}

void SystemMonitor::Sampler::sampleProcesses(SystemSnapshot& s, const descriptors::NoWait& noWait)
{
    ProcReaders& host = *m_sources.host;
    const bool listed = host.readProcesses(m_processes);
    if (noWait.ranOut())
        return;  // some left out: the task table stays for the next pass
    if (!listed) {
        s.topProcesses.clear();
        s.topMemoryProcesses.clear();
        s.processCount = s.threadCount = 0;
        return;
    }
    const auto now = m_sources.clock->monotonic();
    const double elapsed = seconds(now - m_previousProcessTime);
    m_previousProcessTime = now;
    const double secondsPerTick = 1 / host.processTicksPerSecond();
    // A process cannot use more than every processor all the time. Whole
    // ticks and rounding can put one that did a little above that: up to two
    // ticks more read as every processor.
    const double mostShare = 100.0 * std::max(1, s.coreCount);
    const double tickShare = elapsed > 0 ? secondsPerTick / elapsed * 100 : 0;

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
            share = ticks * tickShare;
            // Counters that jumped: no reading this pass.
            share = share <= mostShare + 2 * tickShare ? std::min(share, mostShare) : 0;
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

void SystemMonitor::Sampler::sampleDiskIO(SystemSnapshot& s)
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

void SystemMonitor::Sampler::sampleVolume(SystemSnapshot& s)
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

void SystemMonitor::Sampler::sampleNetwork(SystemSnapshot& s)
{
    if (!m_sources.host->readNetwork(m_network))
        return;  // rates and the previous reading stay as they were
    const auto now = m_sources.clock->monotonic();
    if (m_previousNetTime) {
        if (const double elapsed = seconds(now - *m_previousNetTime); elapsed > kMinimumElapsed) {
            // Per interface, so that one that comes or goes does not count its
            // whole total. The list keeps its order from pass to pass; by name
            // only where it does not.
            double in = 0, out = 0;
            bool indexed = false;
            for (std::size_t k = 0; k < m_network.size(); ++k) {
                const InterfaceBytes& i = m_network[k];
                const InterfaceBytes* was = nullptr;
                if (k < m_previousNet.size() && m_previousNet[k].name == i.name) {
                    was = &m_previousNet[k];
                } else {
                    if (!indexed) {
                        m_netIndex.clear();
                        for (std::size_t j = 0; j < m_previousNet.size(); ++j)
                            m_netIndex.emplace(std::string_view(m_previousNet[j].name.constData(),
                                                                std::size_t(m_previousNet[j].name.size())), j);
                        indexed = true;
                    }
                    const auto found =
                        m_netIndex.find(std::string_view(i.name.constData(), std::size_t(i.name.size())));
                    if (found != m_netIndex.end())
                        was = &m_previousNet[found->second];
                }
                if (!was)
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

void SystemMonitor::Sampler::sampleIdentity(SystemSnapshot& s)
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
