#pragma once

// The remains, startup and extension engine object: three published lists,
// their scans, and the operations on them. The loaders live in their own
// headers: Remains.h, StartupItems.h, StartupControl.h, Extensions.h.

#include "engine/cleaner/RemovableItem.h"
#include "engine/cleaner/TrashEntries.h"
#include "engine/inventory/RemovalLane.h"
#include "platform/Platform.h"

#include <QList>
#include <QObject>
#include <QSet>

#include <array>
#include <functional>

namespace tw {

// Whether a remains scan starts while one runs.
enum class Rescan { IfIdle, Force };

// Lives on the GUI thread; the loaders run on the engine pool.
class SystemCleaner : public QObject {
    Q_OBJECT
public:
    explicit SystemCleaner(const Platform& platform, QObject* parent = nullptr);

    const Platform& platform() const { return m_platform; }

    // Published state. Only the engine changes the lists (the setters are for
    // seeding them in tests and benchmarks); every change is announced once.
    const QList<RemovableItem>& remainingFiles() const { return m_remainingFiles; }
    void setRemainingFiles(QList<RemovableItem> items);
    const QList<RemovableItem>& startupItems() const { return m_startupItems; }
    void setStartupItems(QList<RemovableItem> items);
    const QList<RemovableItem>& extensions() const { return m_extensions; }
    void setExtensions(QList<RemovableItem> items);
    // A scan of that kind runs: on from a scan's start until the latest one
    // started lands (an older result that lands later is dropped).
    bool isScanningRemaining() const { return scanState(Scan::Remaining).running; }
    bool isScanningStartup() const { return scanState(Scan::Startup).running; }
    bool isScanningExtensions() const { return scanState(Scan::Extensions).running; }
    const QString& progressMessage() const { return m_progressMessage; }
    // The number of remains the menu bar shows: always the size of remainingFiles.
    int orphanCountForMenuBar() const { return int(m_remainingFiles.size()); }
    // A remains row's checkbox; nothing happens for an entry no longer listed.
    void setRemainSelected(const QUuid& id, bool selected);

    // Scans: each returns at once and publishes its list when done, unless a
    // scan of the same kind started after it. A change that moves files of
    // a kind (or switches a startup item) while a scan of that kind runs
    // drops that scan's result and starts it once more, so no list made
    // before the change brings back what it moved.
    void scanRemainingFiles(const QSet<QString>& knownBundleIds, const QSet<QString>& knownNames, Rescan rescan);
    void scanStartupItems();
    void scanExtensions();
    // What the remains and extension scans run on the engine pool: the real
    // loaders unless set (a test wraps them to hold a scan open). A scan
    // takes the loaders set when it starts.
    struct Loaders {
        std::function<QList<RemovableItem>(const Platform&, const QSet<QString>& knownBundleIds,
                                           const QSet<QString>& knownNames)>
            remains;
        std::function<QList<RemovableItem>(const Platform&)> extensions;
    };
    void setLoaders(Loaders loaders) { m_loaders = std::move(loaders); }

    // The changes below return at once: what they need is copied now, the
    // files move (and launchctl and the login-item service run) on the
    // engine pool, one change at a time in the order asked, and the lists
    // are updated on the GUI thread before then hears the outcome.
    //
    // Moves the selected items' files into the Trash, each path once and
    // each through the safety test. The entries of remainingFiles among the
    // items then leave it in one announced change, except those of which a
    // file did not move (cleaner::entriesAfterTrash); items that are not
    // listed there (the cleanup offer's) change no list. A failure names its
    // entry's title.
    void trashSelected(const QList<RemovableItem>& items, Completion<RemovalReport> then = {});
    // Moves every file of every target into the Trash, one at a time, then
    // updates extensions the same way. A refused file fails with
    // removal::refused().
    void trashExtensions(const QList<RemovableItem>& targets, Completion<RemovalReport> then = {});
    // On failure the error's description is the message to show. The list
    // changes only on success.
    void setStartupItemEnabled(const QString& path, bool enabled, Completion<Status> then = {});
    void removeStartupItem(const QString& path, Completion<Status> then = {});
    // One of these changes runs or waits (from any view).
    bool isRemoving() const { return m_changes.isBusy(); }

signals:
    void remainingFilesChanged();
    void startupItemsChanged();
    void extensionsChanged();
    void scanningChanged();
    void progressMessageChanged();
    void orphanCountChanged();
    void removingChanged(bool removing);

private:
    enum class Scan { Remaining, Startup, Extensions };
    using Loader = std::function<QList<RemovableItem>()>;
    struct ScanState {
        bool running = false;
        int started = 0;  // scans of this kind started; only the latest publishes
        QString message;
        Loader loader;    // the latest scan's, to run it again after a change
    };
    const ScanState& scanState(Scan scan) const { return m_scans[std::size_t(scan)]; }
    ScanState& scanState(Scan scan) { return m_scans[std::size_t(scan)]; }
    void runScan(Scan scan, const QString& message, Loader loader);
    void publishScan(Scan scan, QList<RemovableItem> items);
    // After a change to the files behind a list: a scan of that kind that
    // runs may have read them before, so one fresh scan takes its place.
    void rescanIfScanning(Scan scan);
    void setScanFlag(Scan scan, bool value);
    void setProgressMessage(const QString& message);
    // A Trash run over entries of one of the lists.
    enum class Listed { remains, extensions };
    void trashEntries(const QList<RemovableItem>& targets, Listed listed, Completion<RemovalReport> then);
    // A change of the startup entry at path: work gets its copy (nothing when
    // it is no longer listed); apply follows a success.
    void changeStartupItem(const QString& path, std::function<Status(const RemovableItem&)> work,
                           std::function<void(qsizetype index)> apply, Completion<Status> then);

    const Platform& m_platform;
    QList<RemovableItem> m_remainingFiles;
    QList<RemovableItem> m_startupItems;
    QList<RemovableItem> m_extensions;
    std::array<ScanState, 3> m_scans;
    Loaders m_loaders;
    QString m_progressMessage;
    RemovalLane m_changes;
};

} // namespace tw
