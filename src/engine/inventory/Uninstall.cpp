// One confirmed uninstall: the bundle and the chosen leftovers into the Trash.

#include "engine/inventory/AppScanner.h"

#include "engine/inventory/PrivilegedTrash.h"
#include "platform/Path.h"

namespace tw {

bool AppScanner::isUserAppBundle(const QString& home, const QString& path)
{
    const QString p = path::standardized(path);
    if (!p.endsWith(QLatin1String(".app")) || p.startsWith(QLatin1String("/System")))
        return false;
    return p.startsWith(QLatin1String("/Applications/"))
        || (!home.isEmpty() && p.startsWith(path::standardized(home) + QStringLiteral("/Applications/")));
}

AppScanner::UninstallResult AppScanner::uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers,
                                                  bool removeBundle)
{
    UninstallResult result;
    if (!app)
        return result;
    if (m_uninstallObserver)
        m_uninstallObserver(app->path(), app->bundleIdentifier());

    if (removeBundle) {
        if (!isUserAppBundle(m_platform.fs().home(), app->path())) {
            result.error = Error{kAppErrorDomain, 1, QStringLiteral("Refusing to remove a protected or system application.")};
            return result;
        }
        PrivilegedTrash::quitRunningApp(m_platform, app->path());
        if (auto error = PrivilegedTrash::moveToTrash(m_platform, app->path())) {
            result.error = std::move(error);
            result.failed << app->path();
            return result;
        }
        result.moved << app->path();
    }

    const QString bundleIdLower = app->bundleIdentifier().toLower();
    const QString nameLower = app->name().toLower();
    const QString nameCompact = QString(nameLower).remove(u' ');
    for (const LeftoverPtr& leftover : leftovers) {
        if (!leftover || !leftover->isSelected())
            continue;
        const QString& p = leftover->path();
        // A leftover that cannot go stays silently; the caller learns which.
        const bool allowed = isSafeToRemove(m_platform.fs(), p)
            && isOwnedByApp(p, bundleIdLower, nameLower, nameCompact);
        if (allowed && !PrivilegedTrash::moveToTrash(m_platform, p))
            result.moved << p;
        else
            result.failed << p;
    }
    return result;
}

} // namespace tw
