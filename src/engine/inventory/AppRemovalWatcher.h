#pragma once

#include "engine/inventory/Drafts.h"
#include "engine/inventory/ModelsFwd.h"
#include "platform/Platform.h"

#include <QMap>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace tw {

class AppScanner;

// What the removal watcher needs of the program around it. The shell wires
// these to its settings, its navigation state and the remains engine.
struct RemovalWatcherHost {
    // Whether trash-removal detection is on.
    std::function<bool()> detectionEnabled;
    // Whether a cleanup offer waits for the user's answer.
    std::function<bool()> offerPending;
    // Shows an offer (replacing one already there).
    std::function<void(RemainCleanupOffer)> publishOffer;
    // Rescans the remains, forced, with the installed applications'
    // identifiers and names; unset when there is no remains engine.
    std::function<void(const QSet<QString>& bundleIds, const QSet<QString>& names)> rescanRemains;
};

// Notices applications that disappear without the program's doing (a bundle
// that turns up in the user's Trash, or one that vanishes from the two
// application folders) and turns one of them at a time into a cleanup offer
// when it left files behind. Lives on the GUI thread; only the leftover
// search runs on the thread pool.
class AppRemovalWatcher : public QObject {
    Q_OBJECT
public:
    struct TrackedApp {
        QString path;      // standardized bundle path
        QString name;
        QString bundleId;  // empty when the bundle has none
        friend bool operator==(const TrackedApp&, const TrackedApp&) = default;
    };
    // Keyed by standardized path; iterated in path order.
    using Snapshot = QMap<QString, TrackedApp>;
    using LeftoverSearch = std::function<std::vector<LeftoverItem>(
        const Platform& p, const QString& bundleId, const QString& name, const std::optional<QString>& excludeAppPath)>;

    // search finds an application's leftovers; the program passes
    // leftovers::findLeftovers with its default roots.
    AppRemovalWatcher(const Platform& platform, RemovalWatcherHost host, LeftoverSearch search,
                      QObject* parent = nullptr);
    ~AppRemovalWatcher() override;

    // Takes the snapshot, becomes ready, starts the poll when detection is
    // on and listens for activations. A second call refreshes the snapshot
    // and the timer and adds no second listener.
    void start(AppScanner* scanner);
    // Announced by the uninstall before it moves anything: no offer follows.
    void noteOurUninstall(const QString& path, const QString& bundleId);
    // No offer for this identifier for the suppression delay (120 s).
    void suppress(const QString& bundleId);
    void rebuildSnapshot();
    // Stops the poll timer and starts it again when detection is on.
    void restartTimerIfNeeded();
    // Detection switched off: polling stops at once.
    void stopTimer();
    // One detection pass.
    void poll();

    // State, for the shell and for tests.
    bool isReady() const { return m_isReady; }
    bool isTimerActive() const { return m_timer.isActive(); }
    const Snapshot& knownApps() const { return m_knownApps; }
    const QSet<QString>& seenTrashApps() const { return m_seenTrashApps; }
    bool isSuppressed(const QString& bundleId) const { return m_suppressedBundleIds.contains(bundleId.toLower()); }
    int pollCount() const { return m_pollCount; }

    // Tuning; the defaults are 4 s and 120 s.
    void setPollInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }
    void setSuppressionDelay(std::chrono::milliseconds delay) { m_suppressionDelay = delay; }
    std::chrono::milliseconds suppressionDelay() const { return m_suppressionDelay; }

    // ---- Readers (any thread) -------------------------------------------
    // Name (CFBundleName, else CFBundleDisplayName, else the file name
    // without extension) and identifier (CFBundleIdentifier, else empty).
    static std::pair<QString, QString> readAppMeta(const FileSystem& fs, const QString& bundle);
    // The ".app" entries directly inside /Applications and ~/Applications.
    static Snapshot scanApplicationFolders(const FileSystem& fs);
    // The ".app" entries directly inside the user's Trash, hidden ones included.
    static QStringList appsInTrash(const FileSystem& fs);
    // The lower-cased identifiers of every application installed where the
    // scanner looks (each application folder and its subfolders).
    static QSet<QString> installedBundleIds(const FileSystem& fs);

signals:
    // A pass chose an application and its leftover search started.
    void offerAttemptStarted(const QString& name, const QString& bundleId);
    // That attempt finished (with or without an offer) and the lists are
    // being refreshed.
    void offerAttemptFinished();

private:
    void offerCleanup(const QString& name, const QString& bundleId, const std::optional<QString>& trashPath);
    void refreshRemainsScan();
    bool stillInstalled(const QString& bundleIdLower, std::optional<QSet<QString>>& installed) const;

    const Platform& m_platform;
    RemovalWatcherHost m_host;
    QPointer<AppScanner> m_scanner;
    QTimer m_timer;
    Snapshot m_knownApps;
    QSet<QString> m_seenTrashApps;
    QSet<QString> m_suppressedBundleIds;
    bool m_isReady = false;
    QMetaObject::Connection m_activation;
    int m_pollCount = 0;
    std::chrono::milliseconds m_pollInterval{4000};
    std::chrono::milliseconds m_suppressionDelay{120000};
    LeftoverSearch m_search;
};

} // namespace tw
