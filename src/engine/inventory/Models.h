#pragma once

#include "engine/inventory/Drafts.h"
#include "engine/inventory/ModelsFwd.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

// Whether changing a leftover's selection also refreshes its owner's own.
enum class RootSync { Skip, Refresh };

// One installed application, or a group of them (a record with members).
// Observable: changed() is sent whenever a published field changes.
class AppInfo : public QObject, public std::enable_shared_from_this<AppInfo> {
    Q_OBJECT
public:
    explicit AppInfo(AppFields fields);
    static AppInfoPtr make(AppFields fields);
    // Wraps a draft and its members; call on the GUI thread. A single user
    // application comes with its bundle marked for removal (make() leaves
    // every flag false).
    static AppInfoPtr fromDraft(const AppDraft& draft);

    const QUuid& id() const { return m_id; }
    const AppFields& fields() const { return m_fields; }
    const QString& name() const { return m_fields.name; }
    const QString& bundleIdentifier() const { return m_fields.bundleIdentifier; }
    const QString& path() const { return m_fields.path; }
    const IconRef& icon() const { return m_fields.icon; }
    std::int64_t appSize() const { return m_fields.appSize; }
    bool isSystemApp() const { return m_fields.isSystemApp; }
    const QString& version() const { return m_fields.version; }
    const std::optional<QDateTime>& lastUsed() const { return m_fields.lastUsed; }
    const QString& developer() const { return m_fields.developer; }
    // Lowers a group's own size when a member leaves it; not published.
    void setAppSize(std::int64_t bytes) { m_fields.appSize = bytes; }

    // Published fields.
    const QList<LeftoverPtr>& leftovers() const { return m_leftovers; }
    // The ticked leftovers, in list order.
    QList<LeftoverPtr> selectedLeftovers() const;
    void setLeftovers(QList<LeftoverPtr> leftovers);
    bool isScanningLeftovers() const { return m_isScanningLeftovers; }
    void setScanningLeftovers(bool v);
    bool removeAppBundle() const { return m_removeAppBundle; }
    void setRemoveAppBundle(bool v);
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool v);
    bool isExpanded() const { return m_isExpanded; }
    void setExpanded(bool v);
    int privacyPermissionCount() const { return m_privacyPermissionCount; }
    void setPrivacyPermissionCount(int v);
    // Set when a single-application leftover scan starts; from then on the
    // prefetch leaves the leftovers alone. Not published. Workers read the
    // flag itself and never hold the record.
    using ScanClaim = std::shared_ptr<const std::atomic<bool>>;
    bool hasSingleLeftoverScan() const { return m_singleLeftoverScan->load(std::memory_order_acquire); }
    void markSingleLeftoverScan() { m_singleLeftoverScan->store(true, std::memory_order_release); }
    ScanClaim singleLeftoverScanClaim() const { return m_singleLeftoverScan; }

    // Not observable: set right after a group is built, later only shrunk.
    const std::vector<AppInfoPtr>& members() const { return m_members; }
    void setMembers(std::vector<AppInfoPtr> members) { m_members = std::move(members); }
    bool isGroup() const { return !m_members.empty(); }

    // Derived values, computed on every read.
    std::int64_t totalLeftoverSize() const;
    std::int64_t displaySize() const;
    QString memberCountLabel() const;
    bool hasUninstallSelection() const;
    std::int64_t totalReclaimableSize() const;
    QStringList leftoverCategories() const;

    void applyRootSelection(bool v);
    void refreshRootSelectionFromFiles();

    void notifyChanged() { emit changed(); }

    // Records of the same bundle are equal.
    friend bool operator==(const AppInfo& a, const AppInfo& b) { return a.path() == b.path(); }

signals:
    void changed();

private:
    QUuid m_id;
    AppFields m_fields;
    QList<LeftoverPtr> m_leftovers;
    bool m_isScanningLeftovers = false;
    bool m_removeAppBundle = false;
    bool m_isSelected = false;
    bool m_isExpanded = false;
    int m_privacyPermissionCount = 0;
    std::shared_ptr<std::atomic<bool>> m_singleLeftoverScan = std::make_shared<std::atomic<bool>>(false);
    std::vector<AppInfoPtr> m_members;
};

inline size_t qHash(const AppInfo& app, size_t seed = 0) { return qHash(app.path(), seed); }

// One leftover file or folder of an application.
class LeftoverFile : public QObject {
    Q_OBJECT
public:
    LeftoverFile(QString path, std::int64_t size, QString kindDescription);
    static LeftoverPtr make(const LeftoverItem& item);
    static QList<LeftoverPtr> makeAll(const std::vector<LeftoverItem>& items);

    const QString& id() const { return m_path; }
    const QString& path() const { return m_path; }
    const QString& kindDescription() const { return m_kindDescription; }
    std::int64_t size() const { return m_size; }
    bool isSelected() const { return m_isSelected; }
    void setIsSelected(bool v);
    // Changes the selection, tells the owner and, with RootSync::Refresh,
    // refreshes the owner's own selection. Does nothing when v is the
    // current value.
    void setSelected(bool v, RootSync sync);

    AppInfoPtr owner() const { return m_owner.lock(); }
    void setOwner(const AppInfoPtr& owner) { m_owner = owner; }

signals:
    void changed();

private:
    QString m_path;
    std::int64_t m_size = 0;
    QString m_kindDescription;
    bool m_isSelected = true;
    std::weak_ptr<AppInfo> m_owner;
};

// The offer to clean up after an application removed elsewhere.
struct RemainCleanupOffer {
    QUuid id = QUuid::createUuid();
    QString appName;
    QString bundleIdentifier;
    std::optional<QString> trashedAppPath;
    QList<LeftoverPtr> leftovers;

    std::int64_t totalSize() const;
};

} // namespace tw
