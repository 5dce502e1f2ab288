#pragma once

#include "engine/inventory/ModelsFwd.h"
#include "engine/updates/UpdateModels.h"
#include "platform/Platform.h"

#include <QFuture>
#include <QList>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

// Where and how update requests go. Tests point the lookup at a local server
// and shorten the timeout.
struct UpdateRequestOptions {
    QUrl lookupBase = QUrl(QStringLiteral("https://itunes.apple.com"));
    std::chrono::milliseconds timeout = std::chrono::seconds(12);
};

inline const QByteArray kUpdateUserAgent = QByteArrayLiteral("Sweepline/1.0");

// What the first item of an update feed offers.
struct AppcastInfo {
    std::optional<QString> version;
    std::optional<QUrl> downloadURL;
};

// One row's check in flight. File reads and parsing run on the thread pool,
// the request on the thread that started the check; done is called once on
// that thread, never synchronously from the starting call, and never after
// cancel() or destruction. done must not destroy the check.
class UpdateCheck {
public:
    using Done = std::function<void(const UpdateAvailability&)>;
    explicit UpdateCheck(Done done);
    ~UpdateCheck();  // cancels, then waits for a running file read
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    void cancel();

private:
    friend class UpdateChecker;
    template <typename T, typename Work, typename Then>
    void onPool(Work work, Then then, bool readsFiles);
    // Requests url and turns the answer into the result on the pool.
    void fetch(HttpClient& http, const QUrl& url, std::chrono::milliseconds timeout,
               std::function<UpdateAvailability(const HttpResponse&)> read);
    void finish(const UpdateAvailability& result);
    void finishLater(const UpdateAvailability& result);
    bool ended() const { return !m_done; }  // finished or cancelled

    std::unique_ptr<QObject> m_context;  // parent of the step watchers, on the starting thread
    std::shared_ptr<HttpCall> m_call;
    QFuture<void> m_fileRead;
    Done m_done;
};

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

    // ---- Rows ---------------------------------------------------------------
    static UpdateChannel detectChannel(const Platform& p, const QString& bundle);
    // Rows of the non-system applications, pending, one per path, in list
    // order and without their channel. Reads only the records (GUI thread).
    static QList<AppUpdateItem> rowsOf(const QList<AppInfoPtr>& apps);
    // Detects each row's channel and sorts by name. Reads files; any thread.
    static QList<AppUpdateItem> completeRows(const Platform& p, QList<AppUpdateItem> rows);
    static QList<AppUpdateItem> prepare(const Platform& p, const QList<AppInfoPtr>& apps)
    {
        return completeRows(p, rowsOf(apps));
    }

    // ---- Update feed ----------------------------------------------------------
    static std::optional<QUrl> sparkleFeedURL(const Platform& p, const QString& bundle);
    static AppcastInfo parseSparkleAppcast(const QString& text);
    // The row state a feed response gives against the installed version.
    static UpdateAvailability sparkleResult(const HttpResponse& response, const QString& installedVersion);
    static std::unique_ptr<UpdateCheck> checkSparkle(const Platform& p, const AppUpdateItem& item,
                                                     const UpdateRequestOptions& options, UpdateCheck::Done done);

    // ---- App Store lookup ---------------------------------------------------------
    // base + "/lookup?bundleId=<id>&entity=macSoftware"; none for an empty identifier.
    static std::optional<QUrl> appStoreLookupURL(const QUrl& base, const QString& bundleId);
    static UpdateAvailability appStoreResult(const HttpResponse& response, const QString& installedVersion);
    static std::unique_ptr<UpdateCheck> checkAppStore(const Platform& p, const AppUpdateItem& item,
                                                      const UpdateRequestOptions& options, UpdateCheck::Done done);

    // ---- Versions ----------------------------------------------------------------
    static std::vector<qint64> versionParts(const QString& text);
    static bool isVersion(const QString& version, const QString& newerThan);

    // The line shown when a check has ended.
    static QString summaryText(const QList<AppUpdateItem>& items);

signals:
    void itemsChanged();
    void itemChanged(int row);  // one row's availability; itemsChanged follows
    void isCheckingChanged();
    void progressTextChanged();
    void showAllApplicationsChanged();
    void lastErrorChanged();

private:
    // text as a strict URL; none when invalid or empty.
    static std::optional<QUrl> strictURL(const QString& text);
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
    QList<QFuture<void>> m_preparations;  // row building on the pool, awaited on destruction
};

} // namespace tw
