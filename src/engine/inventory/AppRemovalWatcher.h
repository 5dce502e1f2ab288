#pragma once

#include "engine/inventory/Drafts.h"
#include "engine/inventory/ModelsFwd.h"
#include "platform/Platform.h"

#include <QHash>
#include <QMap>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

class AppScanner;

// The removal watcher's reads of the disk: folder listings, an Info.plist's
// stat and its parse, and the bundles where the scanner looks. The watcher
// calls them on the engine pool only; tests wrap them to count, gate or
// locate the reads.
class WatcherDisk {
public:
    explicit WatcherDisk(const FileSystem& fs) : m_fs(fs) {}
    virtual ~WatcherDisk() = default;

    virtual std::optional<std::vector<DirEntry>> list(const QString& folder, Hidden hidden) const;
    // The bundle's Contents/Info.plist, links followed; nullopt when missing.
    virtual std::optional<FileStat> infoPlistStat(const QString& bundle) const;
    // Parses the Info.plist: see AppRemovalWatcher::readAppMeta.
    virtual std::pair<QString, QString> readMeta(const QString& bundle) const;
    // Every bundle in the application folders and one folder down.
    virtual QStringList installedBundles() const;

    const FileSystem& fs() const { return m_fs; }

private:
    const FileSystem& m_fs;
};

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
// when it left files behind. Its state lives on the GUI thread; every read
// of the disk runs on the engine pool, one at a time, and only its result
// comes back. Info.plists are parsed again only when their stat changed.
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

    // Takes the snapshot (in the background; ready once it arrives), starts
    // the poll when detection is on and listens for activations. A second
    // call refreshes the snapshot and the timer and adds no second listener.
    void start(AppScanner* scanner);
    // Announced by the uninstall before it moves anything: no offer follows,
    // even from a read already under way.
    void noteOurUninstall(const QString& path, const QString& bundleId);
    // No offer for this identifier for the suppression delay (120 s).
    void suppress(const QString& bundleId);
    // Reads the folders and the Trash afresh (in the background); a pass
    // under way is dropped.
    void rebuildSnapshot();
    // Stops the poll timer and starts it again when detection is on.
    void restartTimerIfNeeded();
    // Detection switched off: polling stops at once and a pass under way is dropped.
    void stop();
    // One detection pass: true when it started a read, whose result ends in
    // pollDelivered(). A tick while a read runs starts none.
    bool poll();

    // State, for the shell and for tests.
    bool isReady() const { return m_isReady; }
    bool isTimerActive() const { return m_timer.isActive(); }
    bool isReading() const { return m_reading; }
    const Snapshot& knownApps() const { return m_knownApps; }
    const QSet<QString>& seenTrashApps() const { return m_seenTrashApps; }
    bool isSuppressed(const QString& bundleId) const { return m_suppressedBundleIds.contains(bundleId.toLower()); }
    int pollCount() const { return m_pollCount; }

    // Tuning; the defaults are 4 s and 120 s.
    void setPollInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }
    void setSuppressionDelay(std::chrono::milliseconds delay) { m_suppressionDelay = delay; }
    std::chrono::milliseconds suppressionDelay() const { return m_suppressionDelay; }
    // Replaces the reads of the disk (tests); takes effect with the next read.
    void setDisk(std::shared_ptr<const WatcherDisk> disk) { m_disk = std::move(disk); }

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

    // Info.plist stamps and what was read from them, by bundle path.
    struct PlistStamp {
        bool present = false;
        FileType type = FileType::Missing;
        std::int64_t size = 0;
        std::uint64_t device = 0, inode = 0;
        qint64 modified = 0, changed = 0;  // ms since 1970
        friend bool operator==(const PlistStamp&, const PlistStamp&) = default;
    };
    struct CachedMeta {
        PlistStamp stamp;
        QString name;
        QString bundleId;
        // Read after the file's change time had passed by kSettled: a rewrite
        // later could not have left the stamp as it was.
        bool settled = false;
    };
    static constexpr std::chrono::milliseconds kSettled{2000};
    using MetaCache = QHash<QString, CachedMeta>;

    // What one read brings back to the GUI thread.
    enum class ReadKind { Rebuild, Poll };
    struct DiskRead {
        Snapshot folders;
        QStringList trash;
        // Name and identifier of each Trash bundle not seen when the read began.
        QHash<QString, std::pair<QString, QString>> trashMeta;
        // Lower-cased installed identifiers, read when a candidate has one.
        std::optional<QSet<QString>> installed;
        MetaCache cache;  // the entries this read used
    };
    // The read itself (any thread), begun at readAt: the folders and the
    // Trash, and for a poll what its candidates need. Parses only bundles
    // whose stamp is not in cache, settled.
    static DiskRead readDisk(const WatcherDisk& disk, const MetaCache& cache, const QDateTime& readAt, ReadKind kind,
                             const Snapshot& known, const QSet<QString>& seen);

signals:
    // The snapshot of a start or rebuild arrived.
    void snapshotRebuilt();
    // The result of a poll's read was handled (possibly dropped).
    void pollDelivered();
    // A pass chose an application and its leftover search started.
    void offerAttemptStarted(const QString& name, const QString& bundleId);
    // That attempt finished (with or without an offer) and the lists are
    // being refreshed.
    void offerAttemptFinished();

private:
    void startRead(ReadKind kind);
    void finishRead(ReadKind kind, quint64 epoch, DiskRead read);
    void applySnapshot(DiskRead& read);
    void applyPoll(DiskRead& read);
    void offerCleanup(const QString& name, const QString& bundleId, const std::optional<QString>& trashPath);
    // Rescans the applications, then the remains with the list that scan publishes.
    void refreshRemainsScan();

    const Platform& m_platform;
    RemovalWatcherHost m_host;
    QPointer<AppScanner> m_scanner;
    QTimer m_timer;
    Snapshot m_knownApps;
    QSet<QString> m_seenTrashApps;
    QSet<QString> m_suppressedBundleIds;
    bool m_isReady = false;
    bool m_readyOnSnapshot = false;
    std::shared_ptr<const WatcherDisk> m_disk;
    // Handed to the read that runs, and back with its result.
    MetaCache m_cache;
    bool m_reading = false;
    bool m_rebuildQueued = false;
    quint64 m_pollEpoch = 0;  // a poll's result applies only within its epoch
    // Bundles of our own uninstalls (path -> lower-cased file name), kept out
    // of every snapshot for the suppression delay.
    QHash<QString, QString> m_ourRemovals;
    QMetaObject::Connection m_activation;
    int m_pollCount = 0;
    std::chrono::milliseconds m_pollInterval{4000};
    std::chrono::milliseconds m_suppressionDelay{120000};
    LeftoverSearch m_search;
};

} // namespace tw
