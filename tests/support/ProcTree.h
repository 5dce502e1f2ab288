#pragma once

#include "support/MacTree.h"

#include <QByteArray>

#include <cstdint>
#include <map>

namespace tw::test {

struct FixtureProcess {
    std::int32_t pid = 0;
    QByteArray name;
    std::uint64_t userTicks = 0;
    std::uint64_t systemTicks = 0;
    int threads = 1;
    std::uint64_t residentPages = 0;
};

// A Linux /proc and /sys under a temporary folder, for the host readers
// rooted there. Each setter rewrites the files it concerns, so a test can
// change the machine between two passes.
class ProcTree {
public:
    ProcTree();

    QByteArray root() const { return m_tree.hostRoot().toUtf8(); }
    const MacTree& files() const { return m_tree; }
    void write(const QString& path, const QByteArray& data) const { m_tree.write(path, data); }
    void remove(const QString& path) const;  // a file or a folder with its contents

    // The first line of /proc/stat, in the kernel's field order, and the boot time.
    void setCpu(std::uint64_t user, std::uint64_t nice, std::uint64_t system, std::uint64_t idle,
                std::uint64_t iowait = 0, std::uint64_t irq = 0, std::uint64_t softirq = 0, std::uint64_t steal = 0);
    void setBootTime(std::int64_t secondsSince1970);
    void setProcess(const FixtureProcess& process) const;
    void removeProcess(std::int32_t pid) const;
    // A line of /proc/diskstats; a whole disk also gets its /sys/block device link.
    void setDisk(const QByteArray& name, std::uint64_t sectorsRead, std::uint64_t sectorsWritten, bool wholeDisk = true);
    void setInterface(const QByteArray& name, std::uint64_t bytesIn, std::uint64_t bytesOut);
    void removeInterface(const QByteArray& name);

private:
    struct Counters {
        std::uint64_t first, second;
    };
    void writeStat() const;
    void writeDisks() const;
    void writeInterfaces() const;

    MacTree m_tree;
    QByteArray m_cpuLine;
    std::int64_t m_bootTime = 1700000000;
    std::map<QByteArray, Counters> m_disks;
    std::map<QByteArray, Counters> m_interfaces;
};

} // namespace tw::test
