#include "engine/inventory/DiskSizes.h"

#include "platform/DiskUsage.h"

namespace tw::sizes {

std::int64_t quickDiskUsage(const FileSystem& fs, const QString& path, const DiskUsage::Watch* watch)
{
    const auto usage = DiskUsage::measure(fs, path, watch);
    return usage ? usage->apparentKiBBytes() : 0;
}

std::int64_t allocatedDiskUsage(const FileSystem& fs, const QString& path)
{
    const auto usage = DiskUsage::measure(fs, path);
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
