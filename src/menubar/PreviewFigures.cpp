#include "menubar/PreviewFigures.h"

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/ByteFormat.h"
#include "engine/updates/UpdateChecker.h"
#include "monitor/SystemSnapshot.h"
#include "platform/Format.h"
#include "views/kit/MonitorWidgets.h"

#include <algorithm>

namespace tw {

PreviewFigures PreviewFigures::read(const AppScanner& scanner, const SystemCleaner& cleaner,
                                    const UpdateChecker& updates, const SystemSnapshot& snapshot)
{
    PreviewFigures f;
    f.installedApps = int(installed(scanner.apps()).size());
    f.totalSize = total(scanner.apps());
    f.availableUpdates = int(std::count_if(updates.items().cbegin(), updates.items().cend(),
                                           [](const AppUpdateItem& row) { return row.availability.isActionable(); }));
    f.activeStartup = active(cleaner.startupItems());
    f.remains = cleaner.orphanCountForMenuBar();
    f.cpuPercent = snapshot.cpuPercent;
    f.memoryPercent = monitorstyle::usedPercent(double(snapshot.memoryUsed), double(snapshot.memoryTotal));
    return f;
}

QList<AppInfoPtr> PreviewFigures::installed(const QList<AppInfoPtr>& apps)
{
    QList<AppInfoPtr> out;
    auto keep = [&out](const AppInfoPtr& app) {
        if (app && !app->isSystemApp())
            out << app;
    };
    for (const AppInfoPtr& app : apps) {
        if (app && app->isGroup())
            std::for_each(app->members().cbegin(), app->members().cend(), keep);
        else
            keep(app);
    }
    return out;
}

std::int64_t PreviewFigures::total(const QList<AppInfoPtr>& apps)
{
    std::int64_t sum = 0;
    for (const AppInfoPtr& app : apps)
        if (app)
            sum += app->displaySize();
    return sum;
}

int PreviewFigures::active(const QList<RemovableItem>& startupItems)
{
    return int(std::count_if(startupItems.cbegin(), startupItems.cend(),
                             [](const RemovableItem& item) { return item.isEnabled; }));
}

QString PreviewFigures::installedLine() const
{
    return QStringLiteral("Installed: %1 apps at %2").arg(installedApps).arg(sizeText());
}

QString PreviewFigures::sizeText() const
{
    return byteformat::string(totalSize);
}

QString PreviewFigures::percentText(double percent)
{
    return cFormat("%.0f%%", percent);
}

} // namespace tw
