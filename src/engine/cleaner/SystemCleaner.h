#pragma once

// The remains, startup and extension engine object: three published lists,
// their scans, and the operations on them. The loaders live in their own
// headers: Remains.h, StartupItems.h, StartupControl.h, Extensions.h.

#include "engine/cleaner/RemovableItem.h"
#include "platform/Platform.h"

#include <QList>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

namespace tw {

// Paths that a removal moved and those it could not move.
struct TrashReport {
    QStringList moved;
    QStringList failed;
};

// Whether a remains scan starts while one runs.
enum class Rescan { IfIdle, Force };

// Lives on the GUI thread; the loaders run on the engine pool.
class SystemCleaner : public QObject {
    Q_OBJECT
public:
    explicit SystemCleaner(const Platform& platform, QObject* parent = nullptr);

    const Platform& platform() const { return m_platform; }

    // Published state. The workspaces edit the lists in place through the setters.
    const QList<RemovableItem>& remainingFiles() const { return m_remainingFiles; }
    void setRemainingFiles(QList<RemovableItem> items);
    const QList<RemovableItem>& startupItems() const { return m_startupItems; }
    void setStartupItems(QList<RemovableItem> items);
    const QList<RemovableItem>& extensions() const { return m_extensions; }
    void setExtensions(QList<RemovableItem> items);
    bool isScanningRemaining() const { return m_isScanningRemaining; }
    bool isScanningStartup() const { return m_isScanningStartup; }
    bool isScanningExtensions() const { return m_isScanningExtensions; }
    const QString& progressMessage() const { return m_progressMessage; }
    int orphanCountForMenuBar() const { return m_orphanCountForMenuBar; }
    void setOrphanCountForMenuBar(int count);

    // Scans: each returns at once and publishes its list when done.
    void scanRemainingFiles(const QSet<QString>& knownBundleIds, const QSet<QString>& knownNames, Rescan rescan);
    void scanStartupItems();
    void scanExtensions();

    // Moves the selected items' files into the Trash, each through the safety test.
    TrashReport trashSelected(const QList<RemovableItem>& items);

    // nullopt on success, else the message to show.
    std::optional<QString> setStartupItemEnabled(const QString& path, bool enabled);
    std::optional<QString> removeStartupItem(const QString& path);

signals:
    void remainingFilesChanged();
    void startupItemsChanged();
    void extensionsChanged();
    void scanningChanged();
    void progressMessageChanged();
    void orphanCountChanged();

private:
    enum class Scan { Remaining, Startup, Extensions };
    void runScan(Scan scan, const QString& message, std::function<QList<RemovableItem>()> loader);
    void publishScan(Scan scan, QList<RemovableItem> items);
    void setScanFlag(Scan scan, bool value);
    void setProgressMessage(const QString& message);

    const Platform& m_platform;
    QList<RemovableItem> m_remainingFiles;
    QList<RemovableItem> m_startupItems;
    QList<RemovableItem> m_extensions;
    bool m_isScanningRemaining = false;
    bool m_isScanningStartup = false;
    bool m_isScanningExtensions = false;
    QString m_progressMessage;
    int m_orphanCountForMenuBar = 0;
};

} // namespace tw
