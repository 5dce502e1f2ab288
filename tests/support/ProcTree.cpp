#include "support/ProcTree.h"

#include <QDir>
#include <QFile>

namespace tw::test {

namespace {

QByteArray numbers(std::initializer_list<std::uint64_t> values)
{
    QByteArray line;
    for (const std::uint64_t v : values)
        line += ' ' + QByteArray::number(qulonglong(v));
    return line;
}

QString processFolder(std::int32_t pid)
{
    return QStringLiteral("/proc/%1").arg(pid);
}

} // namespace

ProcTree::ProcTree()
{
    setCpu(0, 0, 0, 0);
    write("/proc/loadavg", "0.50 0.25 0.10 1/100 4242\n");
    write("/proc/meminfo", "MemTotal: 16777216 kB\nMemFree: 4194304 kB\nBuffers: 0 kB\nCached: 2097152 kB\n"
                           "AnonPages: 6291456 kB\n");
    writeDisks();
    writeInterfaces();
}

void ProcTree::remove(const QString& path) const
{
    const QString host = m_tree.host(path);
    if (!QFile::remove(host))
        QDir(host).removeRecursively();
}

void ProcTree::setCpu(std::uint64_t user, std::uint64_t nice, std::uint64_t system, std::uint64_t idle,
                      std::uint64_t iowait, std::uint64_t irq, std::uint64_t softirq, std::uint64_t steal)
{
    m_cpuLine = "cpu " + numbers({user, nice, system, idle, iowait, irq, softirq, steal, 0, 0});
    writeStat();
}

void ProcTree::setBootTime(std::int64_t secondsSince1970)
{
    m_bootTime = secondsSince1970;
    writeStat();
}

void ProcTree::writeStat() const
{
    write("/proc/stat", m_cpuLine + "\ncpu0 1 2 3 4 5 6 7 8 0 0\nintr 12345 0 1 2\nctxt 999\nbtime "
                            + QByteArray::number(qlonglong(m_bootTime)) + "\nprocesses 4242\n");
}

void ProcTree::setProcess(const FixtureProcess& p) const
{
    // pid (name) state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt
    // utime stime cutime cstime priority nice threads itrealvalue starttime vsize rss ...
    QByteArray line = QByteArray::number(p.pid) + " (" + p.name + ") S 1 1 1 0 -1 4194560 10 0 0 0"
        + numbers({p.userTicks, p.systemTicks}) + " 0 0 20 0 " + QByteArray::number(p.threads) + " 0 100 1000000"
        + numbers({p.residentPages}) + " 18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 0 17 0 0 0 0 0 0\n";
    write(processFolder(p.pid) + "/stat", line);
}

void ProcTree::removeProcess(std::int32_t pid) const
{
    remove(processFolder(pid));
}

void ProcTree::setDisk(const QByteArray& name, std::uint64_t sectorsRead, std::uint64_t sectorsWritten, bool wholeDisk)
{
    m_disks[name] = {sectorsRead, sectorsWritten};
    const QString link = "/sys/block/" + QString::fromUtf8(name) + "/device";
    if (wholeDisk && !m_tree.exists(link))
        m_tree.symlink(link, "../../../virtio1");
    writeDisks();
}

void ProcTree::writeDisks() const
{
    QByteArray text;
    for (const auto& [name, c] : m_disks)
        text += "   8       0 " + name + numbers({100, 5, c.first, 40, 200, 6, c.second, 80, 0, 90, 120}) + '\n';
    write("/proc/diskstats", text);
}

void ProcTree::setInterface(const QByteArray& name, std::uint64_t bytesIn, std::uint64_t bytesOut)
{
    m_interfaces[name] = {bytesIn, bytesOut};
    writeInterfaces();
}

void ProcTree::removeInterface(const QByteArray& name)
{
    m_interfaces.erase(name);
    writeInterfaces();
}

void ProcTree::writeInterfaces() const
{
    QByteArray text = "Inter-|   Receive                            |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs\n";
    for (const auto& [name, c] : m_interfaces)
        text += name.rightJustified(6) + ":" + numbers({c.first, 10, 0, 0, 0, 0, 0, 0, c.second, 20, 0, 0, 0, 0, 0, 0})
            + '\n';
    write("/proc/net/dev", text);
}

} // namespace tw::test
