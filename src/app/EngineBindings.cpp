#include "app/EngineBindings.h"

#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "state/SharedState.h"
#include "engine/inventory/AppScanner.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/LeftoverFinder.h"

#include <QPointer>

namespace tw {

AppRemovalWatcher& bindRemovalWatcher(SharedState& state, AppScanner& scanner, SystemCleaner& cleaner)
{
    if (AppRemovalWatcher* existing = state.removalWatcher())
        return *existing;

    AppSettings* settings = &state.settings();
    AppNavigation* navigation = &state.navigation();
    QPointer<SystemCleaner> remains(&cleaner);

    RemovalWatcherHost host;
    host.detectionEnabled = [settings] { return settings->detectTrashRemovals(); };
    host.offerPending = [navigation] { return navigation->remainOffer().has_value(); };
    host.publishOffer = [navigation](RemainCleanupOffer offer) { navigation->setRemainOffer(std::move(offer)); };
    host.rescanRemains = [remains](const QSet<QString>& ids, const QSet<QString>& names) {
        if (remains)
            remains->scanRemainingFiles(ids, names, Rescan::Force);
    };
    auto search = [](const Platform& p, const QString& bundleId, const QString& name,
                     const std::optional<QString>& excludeAppPath) {
        return leftovers::findLeftovers(p, bundleId, name, std::nullopt, excludeAppPath);
    };
    auto watcher = std::make_unique<AppRemovalWatcher>(state.platform(), std::move(host), search);
    AppRemovalWatcher* w = watcher.get();

    QObject::connect(settings, &AppSettings::detectTrashRemovalsChanged, w, [w](bool on) {
        if (on) {
            w->rebuildSnapshot();
            w->restartTimerIfNeeded();
        } else {
            w->stop();
        }
    });
    QPointer<AppRemovalWatcher> weak(w);
    scanner.setUninstallObserver([weak](const QString& path, const QString& bundleId) {
        if (weak)
            weak->noteOurUninstall(path, bundleId);
    });
    state.setRemovalWatcher(std::move(watcher));
    return *w;
}

} // namespace tw
