#pragma once

// The update checker: publishes the rows and checks them one after another.
// The rules it runs are in UpdateRows.h, UpdateFeed.h, StoreLookup.h and
// Versions.h.

#include "engine/inventory/ModelsFwd.h"
#include "engine/updates/UpdateCheck.h"
#include "engine/updates/UpdateModels.h"

#include <QList>
#include <QObject>

#include <memory>
#include <optional>

namespace tw {

// Turns the inventory's applications into update rows and checks them one
// after another: each row's update feed or the App Store lookup. Lives on the
// GUI thread; requests and parsing never block it.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(const Platform& platform, QObject* parent = nullptr);
    ~UpdateChecker() override;

    void setRequestOptions(UpdateRequestOptions options) { m_options = std::move(options); }

    // Published state.
    const QList<AppUpdateItem>& items() const { return m_items; }
    bool isChecking() const { return m_isChecking; }
    const QString& progressText() const { return m_progressText; }
    bool showAllApplications() const { return m_showAllApplications; }
    void setShowAllApplications(bool show);
    const std::optional<QString>& lastError() const { return m_lastError; }

    // Cancels a running check (it stores nothing more) and starts a new one:
    // the rows (all pending) are built on the pool, published, then checked
    // one after another. Returns at once; isChecking is true from here to
    // the end of the loop, unless there is no row to check.
    void checkAll(const QList<AppInfoPtr>& apps);
    // Rows with an update the user can act on, in list order.
    QList<AppUpdateItem> actionableItems() const;
    // All rows, or only those with an update or without version information.
    QList<AppUpdateItem> displayedItems() const;
    // Opens the download, the App Store page or the application.
    void performPrimaryAction(const AppUpdateItem& row);

signals:
    void itemsChanged();
    void itemChanged(int row);  // one row's availability; itemsChanged follows
    void isCheckingChanged();
    void progressTextChanged();
    void showAllApplicationsChanged();
    void lastErrorChanged();

private:
    void setItems(QList<AppUpdateItem> items);
    void setChecking(bool checking);
    void setProgressText(const QString& text);
    void setLastError(const std::optional<QString>& error);
    void setAvailability(qsizetype row, const UpdateAvailability& value);
    void resetLoop();  // a new generation: the running loop, if any, stops
    void runLoop();
    void finishLoop();

    const Platform& m_platform;
    UpdateRequestOptions m_options;
    QList<AppUpdateItem> m_items;
    bool m_isChecking = false;
    QString m_progressText;
    bool m_showAllApplications = true;
    std::optional<QString> m_lastError;

    // The running check loop.
    quint64 m_generation = 0;  // bumped by every start and cancellation
    qsizetype m_index = 0;     // the row the loop is at
    std::unique_ptr<UpdateCheck> m_pending;
    QList<AwaitedRun> m_preparations;  // row building on the pool, awaited on destruction
};

} // namespace tw
