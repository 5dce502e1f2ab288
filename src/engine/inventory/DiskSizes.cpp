#include "engine/inventory/DiskSizes.h"

#include "platform/DiskUsage.h"

namespace tw::sizes {

namespace {

// A walk that ran out of file descriptors for longer than it waits for one
// is made once more (the watch has seen what it could); a figure still short
// is told in the log.
std::optional<DiskUsage> measured(const FileSystem& fs, const QString& path, const DiskUsage::Watch* watch)
{
    std::optional<DiskUsage> usage = DiskUsage::measure(fs, path, watch);
    if (usage && !usage->complete)
        usage = DiskUsage::measure(fs, path);
    if (usage && !usage->complete)
        qWarning("The size of %s is short: out of file descriptors", qUtf8Printable(path));
    return usage;
}

} // namespace

std::int64_t quickDiskUsage(const FileSystem& fs, const QString& path, const DiskUsage::Watch* watch)
{
    const auto usage = measured(fs, path, watch);
    return usage ? usage->apparentKiBBytes() : 0;
}

std::int64_t allocatedDiskUsage(const FileSystem& fs, const QString& path)
{
    const auto usage = measured(fs, path, nullptr);
    return usage ? usage->allocatedKiBBytes() : 0;
}

std::int64_t directorySize(const FileSystem& fs, const QString& path)
{
    const auto top = fs.stat(path, Links::Follow);
    if (!top)
        return 0;
    if (top->type != FileType::Directory)
        return top->size;
    std::int64_t sum = 0;
    int count = 0;
    fs.walk(path, Hidden::Include, [&](const QString& p, const DirEntry& e, int) {
        if (++count > 80000)
            return FileSystem::Visit::Stop;
        if (e.type == FileType::Regular)
            if (const auto st = fs.stat(p))
                sum += st->size;
        return FileSystem::Visit::Continue;
    });
    return sum;
}

} // namespace tw::sizes
