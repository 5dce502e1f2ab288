#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>

namespace tw {

// The host's own figures, read afresh on every call.
int activeProcessorCount();
std::uint64_t physicalMemoryBytes();

// Processor ticks since boot, summed over every processor.
struct CpuTicks {
    std::uint64_t user = 0;
    std::uint64_t system = 0;  // system, interrupts and stolen time
    std::uint64_t idle = 0;    // idle and waiting for input/output
    std::uint64_t nice = 0;
    friend bool operator==(const CpuTicks&, const CpuTicks&) = default;
};

// The kernel's summary counters; each part is absent when it cannot be read.
struct KernelStat {
    std::optional<CpuTicks> cpu;
    std::optional<std::int64_t> bootTime;  // seconds since 1970
};

struct LoadAverage {
    double one = 0, five = 0, fifteen = 0;
    friend bool operator==(const LoadAverage&, const LoadAverage&) = default;
};

// Memory by kind, in bytes.
struct MemoryReading {
    std::uint64_t app = 0;         // anonymous pages
    std::uint64_t wired = 0;       // pages that cannot be evicted
    std::uint64_t compressed = 0;  // held by the compressed swap cache
    std::uint64_t cached = 0;      // file-backed and reclaimable
    std::uint64_t free = 0;
    std::uint64_t swap = 0;        // swap in use
    friend bool operator==(const MemoryReading&, const MemoryReading&) = default;
};

struct ProcessSample {
    std::int32_t pid = 0;
    std::uint64_t userTicks = 0;
    std::uint64_t systemTicks = 0;
    std::uint64_t resident = 0;  // bytes
    int threads = 0;
    QByteArray name;             // raw bytes, possibly empty
};

struct DiskTotals {
    std::uint64_t read = 0;   // bytes since boot
    std::uint64_t write = 0;
    friend bool operator==(const DiskTotals&, const DiskTotals&) = default;
};

struct VolumeReading {
    QString label;  // empty when the volume has none that can be found
    std::uint64_t total = 0, used = 0, free = 0;
    friend bool operator==(const VolumeReading&, const VolumeReading&) = default;
};

struct InterfaceBytes {
    QByteArray name;
    std::uint64_t in = 0;
    std::uint64_t out = 0;
};

// What the system monitor reads of the machine. Readers never fail loudly:
// a reading that cannot be taken comes back absent (or false).
class ProcReaders {
public:
    virtual ~ProcReaders() = default;
    virtual int activeProcessorCount() = 0;
    virtual std::uint64_t physicalMemory() = 0;
    virtual KernelStat readKernelStat() = 0;
    virtual std::optional<LoadAverage> readLoad() = 0;
    virtual std::optional<MemoryReading> readMemory() = 0;
    // Every process whose counters could be read, in ascending pid order;
    // false when the process list itself cannot be taken. `out` is reused.
    virtual bool readProcesses(std::vector<ProcessSample>& out) = 0;
    virtual double processTicksPerSecond() = 0;
    // Summed over whole disks.
    virtual std::optional<DiskTotals> readDiskIO() = 0;
    // The volume mounted at the root.
    virtual std::optional<VolumeReading> readVolume() = 0;
    // Every interface but loopback; false when the list cannot be read.
    virtual bool readNetwork(std::vector<InterfaceBytes>& out) = 0;
};

// Linux's /proc and /sys under a root folder ("/" on the host, a fixture
// folder in tests). Each file is read whole, in one go, into buffers that
// are kept between calls. When the root's proc folder is the kernel's
// process file system, whose files are made afresh by every read from their
// start, the folder, its summary files and each process's stat file stay
// open from pass to pass and are read again in place: one read a process
// instead of an open, a stat, two reads and a close. The mount table is
// read again only when the kernel says that it changed.
class LinuxProcReaders : public ProcReaders {
public:
    // keptFiles: how many process files may stay open at once (the rest are
    // opened for each reading); by default a quarter of the open-file limit,
    // at most 4,096.
    explicit LinuxProcReaders(const QByteArray& root = QByteArrayLiteral("/"), std::size_t keptFiles = defaultKeptFiles());
    ~LinuxProcReaders() override;
    LinuxProcReaders(const LinuxProcReaders&) = delete;
    LinuxProcReaders& operator=(const LinuxProcReaders&) = delete;

    int activeProcessorCount() override;
    std::uint64_t physicalMemory() override;
    KernelStat readKernelStat() override;
    std::optional<LoadAverage> readLoad() override;
    std::optional<MemoryReading> readMemory() override;
    bool readProcesses(std::vector<ProcessSample>& out) override;
    double processTicksPerSecond() override;
    std::optional<DiskTotals> readDiskIO() override;
    std::optional<VolumeReading> readVolume() override;
    bool readNetwork(std::vector<InterfaceBytes>& out) override;

    // Whether the proc folder is the kernel's own, read in place.
    bool readsLiveProc();
    // Process files open now.
    std::size_t keptProcessFiles() const { return m_stats.size(); }
    static std::size_t defaultKeptFiles();

private:
    struct KeptFile {
        std::int32_t pid;
        int fd;
    };

    // The host path of parts joined below the root, in a buffer that the next call reuses.
    const char* hostPath(std::initializer_list<std::string_view> parts);
    bool readFile(std::initializer_list<std::string_view> parts, std::int64_t maxBytes = 1 << 20);
    // A file below the proc folder: kept open when the folder is live, else
    // read by path. `fd` is its slot.
    bool readProcFile(int& fd, const char* name, std::int64_t maxBytes = 1 << 20);
    bool readLiveProcesses(std::vector<ProcessSample>& out);
    // One process's stat file into m_stat, from its kept file when there
    // is one; `fd` is the file to keep, or -1.
    bool readLiveStat(std::int32_t pid, int& fd, bool mayKeep);
    QByteArray rootSource();
    QString rootVolumeLabel();

    QByteArray m_root;  // without a trailing slash
    QByteArray m_path;
    QByteArray m_buffer;
    std::vector<std::int32_t> m_pids;
    std::uint64_t m_pageSize;
    double m_ticksPerSecond;

    // Live proc only.
    bool m_procChecked = false;
    DIR* m_proc = nullptr;               // the proc folder, listed again from its start
    char m_statLine[4096];               // a stat line is well under this: one read is the whole file
    std::string_view m_stat;             // the last stat read, in m_statLine or m_buffer
    std::vector<KeptFile> m_stats;       // ascending pid
    std::vector<KeptFile> m_nextStats;
    std::size_t m_keptLimit;
    int m_statFd = -1, m_loadFd = -1, m_memoryFd = -1, m_diskFd = -1, m_netFd = -1, m_mountFd = -1;
    QByteArray m_rootSource;  // the device mounted at the root, as the mount table last said
    // The disks of the last disk table in its order, and whether each is whole.
    std::vector<std::pair<std::string, bool>> m_disks, m_nextDisks;
    bool m_mountsRead = false;
};

} // namespace tw
