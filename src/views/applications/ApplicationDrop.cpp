#include "views/applications/ApplicationDrop.h"

#include "engine/inventory/Models.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

#include <algorithm>

namespace tw::apps {

std::optional<QString> droppedBundlePath(const QUrl& url, const FileSystem& fs)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QString host = url.toLocalFile();
    const QString standard = path::standardized(host);
    if (path::extension(standard) != QLatin1String("app"))
        return std::nullopt;
    if (standard != host)
        return QString();
    return fs.fromHost(host).value_or(QString());
}

AppInfoPtr listedApplication(const QList<AppInfoPtr>& apps, const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    const auto it = std::find_if(apps.begin(), apps.end(), [&](const AppInfoPtr& a) { return a && a->path() == path; });
    return it == apps.end() ? nullptr : *it;
}

} // namespace tw::apps
