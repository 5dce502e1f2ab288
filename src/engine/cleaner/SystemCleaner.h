#pragma once

#include "platform/Platform.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <optional>

namespace tw {

// One remains, startup or extension entry. Equal when the paths are equal.
struct RemovableItem {
    QUuid id = QUuid::createUuid();
    QString title;
    QString subtitle;
    QString path;
    std::int64_t size = 0;
    QString category;
    std::optional<QDateTime> modifiedDate;
    bool isSelected = false;
    IconRef icon;
    QStringList relatedPaths;   // every file the entry stands for; empty means just path
    bool isEnabled = true;
    QString parentName;
    std::optional<QString> parentAppPath;

    friend bool operator==(const RemovableItem& a, const RemovableItem& b) { return a.path == b.path; }
};

inline size_t qHash(const RemovableItem& item, size_t seed = 0) { return qHash(item.path, seed); }

enum class ExtensionCategoryKind { installationFiles, browserExtensions, screenSavers, settingsPanes, internetPlugins, widgets };

const QList<ExtensionCategoryKind>& allExtensionCategories();
QString displayName(ExtensionCategoryKind kind);
// Only the six display names, exactly as written.
std::optional<ExtensionCategoryKind> extensionCategoryFromString(const QString& text);

// Paths that a removal moved and those it could not move.
struct TrashReport {
    QStringList moved;
    QStringList failed;
};

// Remains of removed applications, startup items and extensions: three
// published lists with their scans, and the operations on them. Lives on the
// GUI thread; the loaders run on the thread pool.
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
    void scanRemainingFiles(const QSet<QString>& knownBundleIds, const QSet<QString>& knownNames, bool force);
    void scanStartupItems();
    void scanExtensions();

    // Moves the selected items' files into the Trash, each through the safety test.
    TrashReport trashSelected(const QList<RemovableItem>& items);

    // nullopt on success, else the message to show.
    std::optional<QString> setStartupItemEnabled(const QString& path, bool enabled);
    std::optional<QString> removeStartupItem(const QString& path);

    // ---- Loaders (any thread) ------------------------------------------
    static QList<RemovableItem> findOrphans(const Platform& p, const QSet<QString>& knownBundleIds,
                                            const QSet<QString>& knownNames);
    static QList<RemovableItem> loadStartupItems(const Platform& p);
    static QList<RemovableItem> loadAllExtensions(const Platform& p);

    // ---- Startup items ----------------------------------------------------
    // The application a launchd job belongs to.
    struct ParentApp {
        QString name;
        QString path;
        friend bool operator==(const ParentApp&, const ParentApp&) = default;
    };
    static QSet<QString> loadedLaunchdLabels(const Platform& p);
    static QString startupAgentTitle(const QString& label, const QString& program);
    static QString friendlyStartupName(const QString& label, const QString& program);
    // associated: the job's "AssociatedBundleIdentifiers" value (text or list of texts).
    static std::optional<ParentApp> resolveParentApp(const Platform& p, const QString& programPath,
                                                     const QVariant& associated);
    // Helper applications in "Contents/Library/LoginItems"; adds their paths to seen.
    static QList<RemovableItem> loadApplicationLoginItems(const Platform& p, QSet<QString>& seen);
    // nullopt when the login-item service is unavailable, fails or lists nothing.
    static std::optional<QList<RemovableItem>> loadLoginItemsViaAppleScript(const Platform& p);

private:
    static std::optional<QString> applyStartupEnabled(const Platform& p, const RemovableItem& item, bool enabled);
    static std::optional<QString> addLoginItem(const Platform& p, const QString& path);
    static std::optional<QString> removeLoginItem(const Platform& p, const QString& name, const QString& path);

public:
    // ---- Extensions ---------------------------------------------------------
    static QList<RemovableItem> loadInstallationFiles(const Platform& p);
    static QList<RemovableItem> loadBrowserExtensions(const Platform& p);
    static QList<RemovableItem> loadSafariExtensions(const Platform& p);
    static QList<RemovableItem> loadScreenSavers(const Platform& p);
    static QList<RemovableItem> loadPreferencePanes(const Platform& p);
    static QList<RemovableItem> loadInternetPlugins(const Platform& p);
    static QList<RemovableItem> loadWidgets(const Platform& p);
    static QList<RemovableItem> loadBundles(const Platform& p, const QStringList& folders,
                                            const QStringList& extensions, const QString& category);
    static std::optional<QString> chromiumExtensionName(const Platform& p, const QString& manifest);
    static std::optional<IconRef> chromiumExtensionIcon(const Platform& p, const QString& versionDir);
    static QString shortenedPath(const Platform& p, const QString& path);
    static std::int64_t allocatedDiskUsage(const Platform& p, const QString& path);

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
