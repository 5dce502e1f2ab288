// One confirmed uninstall: the bundle and the chosen leftovers into the Trash.

#include "engine/inventory/AppScanner.h"

#include "engine/inventory/OwnershipRules.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"

namespace tw {

AppScanner::UninstallResult AppScanner::uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers,
                                                  BundleRemoval bundle)
{
    UninstallResult result;
    if (!app)
        return result;
    if (m_uninstallObserver)
        m_uninstallObserver(app->path(), app->bundleIdentifier());

    if (bundle == BundleRemoval::MoveToTrash) {
        if (!safety::isUserAppBundleOnDisk(m_platform.fs(), app->path())) {
            result.status = Error{kAppErrorDomain, 1, QStringLiteral("Refusing to remove a protected or system application.")};
            return result;
        }
        PrivilegedTrash::quitRunningApp(m_platform, app->path());
        if (Status moved = PrivilegedTrash::moveToTrash(m_platform, app->path()); !moved) {
            result.status = std::move(moved);
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
        const bool allowed = safety::isSafeToRemove(m_platform.fs(), p)
            && ownership::isOwnedByApp(p, bundleIdLower, nameLower, nameCompact);
        if (allowed && PrivilegedTrash::moveToTrash(m_platform, p))
            result.moved << p;
        else
            result.failed << p;
    }
    return result;
}

} // namespace tw
