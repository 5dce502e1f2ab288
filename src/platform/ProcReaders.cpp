#include "platform/ProcReaders.h"

#include "platform/DescriptorGate.h"
#include "platform/SafeRead.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tw {

namespace {

using View = std::string_view;
using u64 = std::uint64_t;

constexpr u64 kU64Max = std::numeric_limits<u64>::max();
constexpr std::int64_t kProcessFileLimit = 1 << 16;
// diskstats and net/dev grow by a line per disk or interface (about 120 bytes
// each); a machine with thousands of them still gets its rates.
constexpr std::int64_t kTableFileLimit = 16 << 20;
constexpr u64 kSectorBytes = 512;  // diskstats counts in these, whatever the disk's own sector size
constexpr long kProcMagic = 0x9fa0;  // the process file system's f_type

// A folder to list, out of descriptors waited for as a file read is.
DIR* openFolder(const char* path)
{
    const int fd = descriptors::opened([&] { return ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir && fd >= 0)
        ::close(fd);
    return dir;
}

u64 addSat(u64 a, u64 b)
{
    u64 r;
    return __builtin_add_overflow(a, b, &r) ? kU64Max : r;
}

u64 mulSat(u64 a, u64 b)
{
    u64 r;
    return __builtin_mul_overflow(a, b, &r) ? kU64Max : r;
}

View nextLine(View& rest)
{
    const auto end = rest.find('\n');
    const View line = rest.substr(0, end);
    rest = end == View::npos ? View() : rest.substr(end + 1);
    return line;
}

// A decimal count; counts beyond the type read as its largest value.
std::optional<u64> toNumber(View text)
{
    u64 value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return std::nullopt;
    return ec == std::errc() ? value : kU64Max;
}

// Whitespace-separated fields of one line.
class Fields {
public:
    explicit Fields(View text) : m_rest(text) {}

    std::optional<View> next()
    {
        const char* p = m_rest.data();
        const char* const end = p + m_rest.size();
        while (p != end && isBlank(*p))
            ++p;
        if (p == end) {
            m_rest = {};
            return std::nullopt;
        }
        const char* const begin = p;
        while (p != end && !isBlank(*p))
            ++p;
        m_rest = View(p, size_t(end - p));
        return View(begin, size_t(p - begin));
    }

    std::optional<u64> number()
    {
        const auto field = next();
        return field ? toNumber(*field) : std::nullopt;
    }

    // Reads up to N numbers into `values`; returns how many were read.
    template <std::size_t N>
    std::size_t numbers(u64 (&values)[N])
    {
        std::size_t n = 0;
        for (; n < N; ++n) {
            const auto value = number();
            if (!value)
                break;
            values[n] = *value;
        }
        return n;
    }

    bool skip(int count)
    {
        for (int i = 0; i < count; ++i)
            if (!next())
                return false;
        return true;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

    View m_rest;
};

View view(const QByteArray& bytes)
{
    return View(bytes.constData(), size_t(bytes.size()));
}

QByteArray bytes(View text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

View baseName(View path)
{
    const auto slash = path.rfind('/');
    return slash == View::npos ? path : path.substr(slash + 1);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes the escapes of mount tables ("\040") and of device-link names ("\x20").
QByteArray unescape(View text)
{
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '\\' && i + 3 < text.size();
        if (escape && text[i + 1] == 'x' && hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            out += char(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else if (escape && octal(text[i + 1]) && octal(text[i + 2]) && octal(text[i + 3])) {
            out += char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A name that stays one component below the folder it is joined to.
bool isPlainName(View name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == View::npos;
}

std::optional<CpuTicks> parseCpuLine(Fields& fields)
{
    // user nice system idle iowait irq softirq steal (guest time is inside user and nice)
    u64 v[8] = {};
    if (fields.numbers(v) < 4)
        return std::nullopt;
    return CpuTicks{v[0], addSat(addSat(v[2], v[5]), addSat(v[6], v[7])), addSat(v[3], v[4]), v[1]};
}

// One /proc/<pid>/stat line: "pid (name) state ppid ...". The name may hold
// spaces and parentheses, so the fields are those after the last ")".
bool parseProcessStat(View text, std::uint64_t pageSize, ProcessSample& p)
{
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == View::npos || close == View::npos || close < open)
        return false;
    // Field 3 (the state) comes first: utime is field 14, stime 15, threads 20, rss 24.
    View field[22];
    Fields fields(text.substr(close + 1));
    for (View& f : field) {
        const auto next = fields.next();
        if (!next)
            return false;
        f = *next;
    }
    const auto utime = toNumber(field[11]), stime = toNumber(field[12]);
    const auto threads = toNumber(field[17]), rss = toNumber(field[21]);
    if (!utime || !stime || !threads || !rss)
        return false;
    p.userTicks = *utime;
    p.systemTicks = *stime;
    p.threads = int(std::min<u64>(*threads, INT_MAX));
    p.resident = mulSat(*rss, pageSize);
    p.name.resize(0);
    p.name.append(text.data() + open + 1, qsizetype(close - open - 1));
    return true;
}

std::optional<double> parseDouble(std::optional<View> field)
{
    if (!field)
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(field->data(), field->data() + field->size(), value);
    if (ec != std::errc() || end != field->data() + field->size() || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

int activeProcessorCount()
{
    return int(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
}

std::uint64_t physicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? mulSat(u64(pages), u64(pageSize)) : 0;
}

std::size_t LinuxProcReaders::defaultKeptFiles()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 4096;
    return std::min<std::size_t>(limit.rlim_cur / 4, 4096);
}

LinuxProcReaders::LinuxProcReaders(const QByteArray& root, std::size_t keptFiles)
    : m_root(root),
      m_pageSize(u64(std::max(1L, ::sysconf(_SC_PAGESIZE)))),
      m_ticksPerSecond(double(std::max(1L, ::sysconf(_SC_CLK_TCK)))),
      m_keptLimit(keptFiles)
{
    while (m_root.endsWith('/'))
        m_root.chop(1);
}

bool LinuxProcReaders::readsLiveProc()
{
    // Looked at by the first reading (on the thread that samples), once.
    // Only the kernel's own files are made afresh by a read from their start;
    // a fixture's files are read by path, so that a replaced file is seen.
    if (m_procChecked)
        return m_proc != nullptr;
    DIR* dir = openFolder(hostPath({"proc"}));
    // Out of descriptors, looked at again next time.
    m_procChecked = dir || !descriptors::exhausted(errno);
    if (dir) {
        struct statfs fs;
        if (::fstatfs(::dirfd(dir), &fs) == 0 && fs.f_type == kProcMagic)
            m_proc = dir;
        else
            ::closedir(dir);
    }
    return m_proc != nullptr;
}

LinuxProcReaders::~LinuxProcReaders()
{
    for (const KeptFile& f : m_stats)
        ::close(f.fd);
    for (const int fd : {m_statFd, m_loadFd, m_memoryFd, m_diskFd, m_netFd, m_mountFd})
        if (fd >= 0)
            ::close(fd);
    if (m_proc)
        ::closedir(m_proc);
}

const char* LinuxProcReaders::hostPath(std::initializer_list<std::string_view> parts)
{
    m_path.resize(0);
    m_path.append(m_root).append('/');
    for (const View part : parts)
        m_path.append(part.data(), qsizetype(part.size()));
    return m_path.constData();
}

bool LinuxProcReaders::readFile(std::initializer_list<std::string_view> parts, std::int64_t maxBytes)
{
    return readRegularFile(hostPath(parts), m_buffer, maxBytes);
}

bool LinuxProcReaders::readProcFile(int& fd, const char* name, std::int64_t maxBytes)
{
    if (!readsLiveProc())
        return readFile({"proc/", name}, maxBytes);
    if (fd < 0)
        fd = openRegularFileAt(::dirfd(m_proc), name);
    if (fd >= 0 && rereadFile(fd, m_buffer, maxBytes))
        return true;
    if (fd >= 0)
        ::close(fd);  // opened afresh by the next reading
    fd = -1;
    m_buffer.resize(0);
    return false;
}

int LinuxProcReaders::activeProcessorCount()
{
    return tw::activeProcessorCount();
}

std::uint64_t LinuxProcReaders::physicalMemory()
{
    return physicalMemoryBytes();
}

double LinuxProcReaders::processTicksPerSecond()
{
    return m_ticksPerSecond;
}

KernelStat LinuxProcReaders::readKernelStat()
{
    KernelStat stat;
    if (!readProcFile(m_statFd, "stat"))
        return stat;
    for (View rest = view(m_buffer); !rest.empty();) {
        Fields fields(nextLine(rest));
        const auto key = fields.next();
        if (key == "cpu" && !stat.cpu) {
            stat.cpu = parseCpuLine(fields);
        } else if (key == "btime") {
            if (const auto boot = fields.number(); boot && *boot <= u64(std::numeric_limits<std::int64_t>::max()))
                stat.bootTime = std::int64_t(*boot);
        }
    }
    return stat;
}

std::optional<LoadAverage> LinuxProcReaders::readLoad()
{
    if (!readProcFile(m_loadFd, "loadavg", 4096))
        return std::nullopt;
    Fields fields(view(m_buffer));
    const auto one = parseDouble(fields.next());
    const auto five = parseDouble(fields.next());
    const auto fifteen = parseDouble(fields.next());
    if (!one || !five || !fifteen)
        return std::nullopt;
    return LoadAverage{*one, *five, *fifteen};
}

std::optional<MemoryReading> LinuxProcReaders::readMemory()
{
    if (!readProcFile(m_memoryFd, "meminfo"))
        return std::nullopt;
    std::optional<u64> memFree, anon, unevictable, zswap, buffers, cached, reclaimable, swapTotal, swapFree;
    const std::pair<View, std::optional<u64>*> keys[] = {
        {"MemFree", &memFree}, {"AnonPages", &anon}, {"Unevictable", &unevictable},
        {"Zswap", &zswap}, {"Buffers", &buffers}, {"Cached", &cached},
        {"SReclaimable", &reclaimable}, {"SwapTotal", &swapTotal}, {"SwapFree", &swapFree},
    };
    for (View rest = view(m_buffer); !rest.empty();) {
        const View line = nextLine(rest);
        const auto colon = line.find(':');
        const auto key = std::find_if(std::begin(keys), std::end(keys),
                                      [&](const auto& k) { return k.first == line.substr(0, colon); });
        if (colon == View::npos || key == std::end(keys))
            continue;
        Fields fields(line.substr(colon + 1));
        if (const auto value = fields.number())
            *key->second = fields.next() == "kB" ? mulSat(*value, 1024) : *value;
    }
    // Every kernel reports these four; without them the file is not what it should be.
    if (!memFree || !anon || !buffers || !cached)
        return std::nullopt;
    MemoryReading m;
    m.app = *anon;
    m.wired = unevictable.value_or(0);
    m.compressed = zswap.value_or(0);
    m.cached = addSat(addSat(*buffers, *cached), reclaimable.value_or(0));
    m.free = *memFree;
    m.swap = swapTotal.value_or(0) > swapFree.value_or(0) ? *swapTotal - swapFree.value_or(0) : 0;
    // A count too large for its type, in the file or once in bytes, is not a reading.
    for (const u64 part : {m.app, m.wired, m.compressed, m.cached, m.free, swapTotal.value_or(0), swapFree.value_or(0)})
        if (part == kU64Max)
            return std::nullopt;
    return m;
}

namespace {

bool isPidName(const char* name, std::int32_t& pid)
{
    const char* end = name + std::char_traits<char>::length(name);
    const auto [last, ec] = std::from_chars(name, end, pid);
    return ec == std::errc() && last == end && pid > 0 && name[0] != '0';
}

// "<pid>/stat" in path; false when it does not fit.
bool statPath(std::int32_t pid, char (&path)[32])
{
    const auto [last, ec] = std::to_chars(path, path + sizeof path - 6, pid);
    if (ec != std::errc())
        return false;
    std::memcpy(last, "/stat", 6);
    return true;
}

} // namespace

bool LinuxProcReaders::readProcesses(std::vector<ProcessSample>& out)
{
    if (readsLiveProc())
        return readLiveProcesses(out);
    DIR* dir = openFolder(hostPath({"proc"}));
    if (!dir)
        return false;
    m_pids.clear();
    while (const dirent* entry = ::readdir(dir)) {
        std::int32_t pid = 0;
        if (isPidName(entry->d_name, pid))
            m_pids.push_back(pid);
    }
    std::sort(m_pids.begin(), m_pids.end());

    std::size_t count = 0;
    for (const std::int32_t pid : m_pids) {
        char path[32];
        if (!statPath(pid, path) || !readRegularFileAt(::dirfd(dir), path, m_buffer, kProcessFileLimit))
            continue;  // gone meanwhile, or not ours to read
        if (count == out.size())
            out.emplace_back();
        if (parseProcessStat(view(m_buffer), m_pageSize, out[count])) {
            out[count].pid = pid;
            ++count;
        }
    }
    ::closedir(dir);
    out.resize(count);
    return true;
}

bool LinuxProcReaders::readLiveStat(std::int32_t pid, int& fd, bool mayKeep)
{
    const auto readKept = [&] {
        const ssize_t n = ::pread(fd, m_statLine, sizeof m_statLine, 0);
        if (n >= 0 && size_t(n) < sizeof m_statLine) {  // the whole line
            m_stat = View(m_statLine, size_t(n));
            return n > 0;
        }
        if (n < 0 || !rereadFile(fd, m_buffer, kProcessFileLimit))
            return false;
        m_stat = view(m_buffer);
        return true;
    };
    if (fd >= 0) {
        if (readKept())
            return true;
        // Ended; its pid may already name a new process.
        ::close(fd);
        fd = -1;
    }
    char path[32];
    if (!statPath(pid, path))
        return false;
    if (!mayKeep) {
        if (!readRegularFileAt(::dirfd(m_proc), path, m_buffer, kProcessFileLimit))
            return false;
        m_stat = view(m_buffer);
        return true;
    }
    fd = openRegularFileAt(::dirfd(m_proc), path);
    if (fd < 0)
        return false;
    if (readKept())
        return true;
    ::close(fd);
    fd = -1;
    return false;
}

bool LinuxProcReaders::readLiveProcesses(std::vector<ProcessSample>& out)
{
    ::rewinddir(m_proc);
    m_pids.clear();
    while (const dirent* entry = ::readdir(m_proc)) {
        std::int32_t pid = 0;
        if (isPidName(entry->d_name, pid))
            m_pids.push_back(pid);
    }
    std::sort(m_pids.begin(), m_pids.end());

    // Walks the listed pids and the kept files together, both ascending:
    // a kept file whose pid is no longer listed is closed.
    m_nextStats.clear();
    auto kept = m_stats.cbegin();
    std::size_t count = 0;
    for (const std::int32_t pid : m_pids) {
        for (; kept != m_stats.cend() && kept->pid < pid; ++kept)
            ::close(kept->fd);
        int fd = -1;
        if (kept != m_stats.cend() && kept->pid == pid)
            fd = (kept++)->fd;
        const std::size_t open = m_nextStats.size() + std::size_t(m_stats.cend() - kept);
        const bool read = readLiveStat(pid, fd, open < m_keptLimit);
        if (fd >= 0)
            m_nextStats.push_back({pid, fd});
        if (!read)
            continue;  // gone meanwhile
        if (count == out.size())
            out.emplace_back();
        if (parseProcessStat(m_stat, m_pageSize, out[count])) {
            out[count].pid = pid;
            ++count;
        }
    }
    for (; kept != m_stats.cend(); ++kept)
        ::close(kept->fd);
    std::swap(m_stats, m_nextStats);
    out.resize(count);
    return true;
}

std::optional<DiskTotals> LinuxProcReaders::readDiskIO()
{
    if (!readProcFile(m_diskFd, "diskstats", kTableFileLimit))
        return std::nullopt;
    DiskTotals totals;
    bool anyDisk = false;
    m_nextDisks.clear();
    for (View rest = view(m_buffer); !rest.empty();) {
        Fields fields(nextLine(rest));
        if (!fields.skip(2))
            continue;
        const auto name = fields.next();
        // reads, reads merged, sectors read, time reading, writes, writes merged, sectors written
        u64 v[7] = {};
        if (!name || fields.numbers(v) < 7 || !isPlainName(*name))
            continue;
        // Whole disks have a device link; partitions and virtual devices do not.
        // A live table keeps its order from pass to pass: a disk listed at the
        // same place under the same name is what it was (the kernel's names
        // say whole disk or not), one at a new place is looked at again.
        const std::size_t at = m_nextDisks.size();
        bool whole = false;
        if (m_proc && at < m_disks.size() && m_disks[at].first == *name) {
            whole = m_disks[at].second;
        } else {
            struct stat st;
            whole = ::lstat(hostPath({"sys/block/", *name, "/device"}), &st) == 0 && S_ISLNK(st.st_mode);
        }
        m_nextDisks.emplace_back(*name, whole);
        if (!whole)
            continue;
        totals.read = addSat(totals.read, mulSat(v[2], kSectorBytes));
        totals.write = addSat(totals.write, mulSat(v[6], kSectorBytes));
        anyDisk = true;
    }
    std::swap(m_disks, m_nextDisks);
    if (!anyDisk)
        return std::nullopt;
    return totals;
}

std::optional<VolumeReading> LinuxProcReaders::readVolume()
{
    struct statvfs st;
    if (::statvfs(hostPath({}), &st) != 0)
        return std::nullopt;
    VolumeReading v;
    v.total = mulSat(st.f_blocks, st.f_frsize);
    v.free = mulSat(st.f_bavail, st.f_frsize);
    v.used = v.total > v.free ? v.total - v.free : 0;
    v.label = rootVolumeLabel();
    return v;
}

// The device mounted at the root, from the mount table. A live table is
// read again only when the kernel reports a change of the mounts.
QByteArray LinuxProcReaders::rootSource()
{
    if (m_proc && m_mountFd >= 0 && m_mountsRead) {
        pollfd changed{m_mountFd, POLLIN | POLLPRI, 0};
        if (::poll(&changed, 1, 0) == 1 && !(changed.revents & (POLLERR | POLLPRI | POLLNVAL)))
            return m_rootSource;
    }
    m_mountsRead = false;
    m_rootSource.clear();
    if (!readProcFile(m_mountFd, "self/mountinfo"))
        return {};
    for (View rest = view(m_buffer); !rest.empty();) {
        const View line = nextLine(rest);
        Fields fields(line);
        const auto separator = line.find(" - ");
        if (!fields.skip(4) || fields.next() != "/" || separator == View::npos)
            continue;
        Fields after(line.substr(separator + 3));
        after.next();  // the file system type
        if (const auto device = after.next())
            m_rootSource = unescape(*device);  // the last mount at the root wins
    }
    m_mountsRead = true;
    return m_rootSource;
}

// The label of the device mounted at the root, from the mount table and the
// device links named by label.
QString LinuxProcReaders::rootVolumeLabel()
{
    const QByteArray source = rootSource();
    const View device = view(source);
    if (!device.starts_with("/dev/") || device.find("/../") != View::npos)
        return {};
    // The device itself, and where it leads when it is a link (/dev/mapper/x -> ../dm-0).
    char target[PATH_MAX];
    const QByteArray names[2] = {
        bytes(baseName(device)),
        [&] {
            const ssize_t n = ::readlink(hostPath({device.substr(1)}), target, sizeof target);
            return n > 0 ? bytes(baseName(View(target, size_t(n)))) : QByteArray();
        }(),
    };

    DIR* dir = openFolder(hostPath({"dev/disk/by-label"}));
    if (!dir)
        return {};
    QString label;
    while (const dirent* entry = ::readdir(dir)) {
        const View name(entry->d_name);
        if (!isPlainName(name))
            continue;
        const ssize_t n = ::readlink(hostPath({"dev/disk/by-label/", name}), target, sizeof target);
        const View leadsTo = n > 0 ? baseName(View(target, size_t(n))) : View();
        if (!leadsTo.empty() && (leadsTo == view(names[0]) || leadsTo == view(names[1]))) {
            label = QString::fromUtf8(unescape(name));
            break;
        }
    }
    ::closedir(dir);
    return label;
}

bool LinuxProcReaders::readNetwork(std::vector<InterfaceBytes>& out)
{
    if (!readProcFile(m_netFd, "net/dev", kTableFileLimit))
        return false;
    std::size_t count = 0;
    for (View rest = view(m_buffer); !rest.empty();) {
        const View line = nextLine(rest);
        const auto colon = line.find(':');
        if (colon == View::npos)
            continue;  // the two header lines
        const auto name = Fields(line.substr(0, colon)).next();
        // received: bytes packets errs drop fifo frame compressed multicast; then sent bytes
        Fields fields(line.substr(colon + 1));
        u64 v[9] = {};
        if (!name || *name == "lo" || fields.numbers(v) < 9)
            continue;
        if (count == out.size())
            out.emplace_back();
        InterfaceBytes& i = out[count++];
        i.name.resize(0);
        i.name.append(name->data(), qsizetype(name->size()));
        i.in = v[0];
        i.out = v[8];
    }
    out.resize(count);
    return true;
}

} // namespace tw
