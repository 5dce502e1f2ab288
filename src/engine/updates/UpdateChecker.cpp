#include "engine/updates/UpdateChecker.h"

#include "engine/inventory/Models.h"
#include "platform/Collation.h"
#include "platform/ThreadPool.h"

#include <QFutureWatcher>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

namespace tw {

namespace {

const QString kAppStoreApplication = QStringLiteral("/System/Applications/App Store.app");

// Stores value in field; false when it was there already.
template <typename T>
bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// The applications, with each group replaced by its members.
std::vector<AppInfoPtr> flatten(const QList<AppInfoPtr>& apps)
{
    std::vector<AppInfoPtr> out;
    std::function<void(const AppInfoPtr&)> add = [&](const AppInfoPtr& app) {
        if (!app)
            return;
        if (app->isGroup()) {
            for (const AppInfoPtr& member : app->members())
                add(member);
        } else {
            out.push_back(app);
        }
    };
    for (const AppInfoPtr& app : apps)
        add(app);
    return out;
}

bool isWebURL(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

UpdateChecker::UpdateChecker(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
{
}

UpdateChecker::~UpdateChecker()
{
    resetLoop();
    // They read the platform's files, which may not outlive the checker.
    for (QFuture<void>& f : m_preparations)
        f.waitForFinished();
}

void UpdateChecker::setShowAllApplications(bool show)
{
    if (m_showAllApplications == show)
        return;
    m_showAllApplications = show;
    emit showAllApplicationsChanged();
}

void UpdateChecker::setItems(QList<AppUpdateItem> items)
{
    m_items = std::move(items);
    emit itemsChanged();
}

void UpdateChecker::setChecking(bool checking)
{
    if (assign(m_isChecking, checking))
        emit isCheckingChanged();
}

void UpdateChecker::setProgressText(const QString& text)
{
    if (assign(m_progressText, text))
        emit progressTextChanged();
}

void UpdateChecker::setLastError(const std::optional<QString>& error)
{
    if (assign(m_lastError, error))
        emit lastErrorChanged();
}

void UpdateChecker::setAvailability(qsizetype row, const UpdateAvailability& value)
{
    if (!assign(m_items[row].availability, value))
        return;
    emit itemChanged(int(row));
    emit itemsChanged();
}

QList<AppUpdateItem> UpdateChecker::actionableItems() const
{
    QList<AppUpdateItem> out = m_items;
    out.removeIf([](const AppUpdateItem& item) { return !item.availability.isActionable(); });
    return out;
}

QList<AppUpdateItem> UpdateChecker::displayedItems() const
{
    QList<AppUpdateItem> out = m_items;
    if (!m_showAllApplications)
        out.removeIf([](const AppUpdateItem& item) {
            return !item.availability.isActionable() && !item.availability.is(UpdateAvailability::Kind::launchToUpdate);
        });
    return out;
}

// ---- Rows -------------------------------------------------------------------

UpdateChannel UpdateChecker::detectChannel(const Platform& p, const QString& bundle)
{
    if (p.fs().exists(bundle + QStringLiteral("/Contents/_MASReceipt/receipt")))
        return UpdateChannel::appStore;
    if (sparkleFeedURL(p, bundle))
        return UpdateChannel::sparkle;
    return UpdateChannel::manual;
}

QList<AppUpdateItem> UpdateChecker::rowsOf(const QList<AppInfoPtr>& apps)
{
    QList<AppUpdateItem> rows;
    QSet<QString> seen;
    for (const AppInfoPtr& app : flatten(apps)) {
        // One row per bundle, even when the list names it twice.
        if (app->isSystemApp() || seen.contains(app->path()))
            continue;
        seen.insert(app->path());
        AppUpdateItem row;
        row.appPath = app->path();
        row.name = app->name();
        row.bundleIdentifier = app->bundleIdentifier();
        row.icon = app->icon();
        row.installedVersion = app->version();
        rows << row;
    }
    return rows;
}

QList<AppUpdateItem> UpdateChecker::completeRows(const Platform& p, QList<AppUpdateItem> rows)
{
    for (AppUpdateItem& row : rows)
        row.channel = detectChannel(p, row.appPath);
    NameOrder().stableSort(rows, [](const AppUpdateItem& row) -> const QString& { return row.name; });
    return rows;
}

// ---- The check loop -----------------------------------------------------------

void UpdateChecker::resetLoop()
{
    ++m_generation;
    m_pending.reset();
    m_index = 0;
}

void UpdateChecker::checkAll(const QList<AppInfoPtr>& apps)
{
    const bool cancelled = m_isChecking;
    resetLoop();
    const quint64 generation = m_generation;
    QList<AppUpdateItem> rows = rowsOf(apps);
    if (rows.isEmpty()) {
        setItems({});
        // The cancelled loop ends here, without a result of its own.
        if (cancelled && generation == m_generation) {
            setChecking(false);
            setProgressText(QString());
        }
        return;
    }
    setChecking(true);
    if (generation == m_generation)
        setLastError(std::nullopt);
    if (generation != m_generation)
        return;  // a slot started another check meanwhile

    // The channels need the bundles' files: detected on the pool.
    m_preparations.removeIf([](const QFuture<void>& f) { return f.isFinished(); });
    auto* watcher = new QFutureWatcher<QList<AppUpdateItem>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        setItems(watcher->result());
        if (generation == m_generation)
            runLoop();
    });
    const QFuture<QList<AppUpdateItem>> future =
        QtConcurrent::run(&enginePool(), [&p = m_platform, rows = std::move(rows)] { return completeRows(p, rows); });
    m_preparations << QFuture<void>(future);
    watcher->setFuture(future);
}

void UpdateChecker::runLoop()
{
    // Slots connected to the signals below may start a new check; this loop
    // then stops at once.
    const quint64 generation = m_generation;
    // Within one generation the rows change only in their availability.
    const qsizetype n = m_items.size();
    while (m_index < n) {
        const qsizetype index = m_index;
        const AppUpdateItem row = m_items[index];
        setProgressText(QStringLiteral("Checking: %1 apps left out of %2").arg(n - index).arg(n));
        if (generation != m_generation)
            return;
        setAvailability(index, UpdateAvailability::checking());
        if (generation != m_generation)
            return;
        if (row.channel == UpdateChannel::manual) {
            ++m_index;
            setAvailability(index, UpdateAvailability::launchToUpdate());
            if (generation != m_generation)
                return;
            continue;
        }
        auto done = [this, generation, index](const UpdateAvailability& result) {
            // Continue from the event loop, outside the check's own callbacks.
            QMetaObject::invokeMethod(
                this,
                [this, generation, index, result] {
                    if (generation != m_generation)
                        return;
                    m_pending.reset();
                    ++m_index;
                    setAvailability(index, result);
                    if (generation == m_generation)
                        runLoop();
                },
                Qt::QueuedConnection);
        };
        m_pending = row.channel == UpdateChannel::sparkle ? checkSparkle(m_platform, row, m_options, done)
                                                          : checkAppStore(m_platform, row, m_options, done);
        return;
    }
    finishLoop();
}

QString UpdateChecker::summaryText(const QList<AppUpdateItem>& items)
{
    int failed = 0;
    for (const AppUpdateItem& item : items) {
        if (item.availability.isActionable())
            return QString();
        if (item.availability.is(UpdateAvailability::Kind::failed))
            ++failed;
    }
    if (failed == 0)
        return QStringLiteral("All your apps are up to date.");
    if (failed == 1)
        return QStringLiteral("1 app could not be checked.");
    return QStringLiteral("%1 apps could not be checked.").arg(failed);
}

void UpdateChecker::finishLoop()
{
    resetLoop();
    const quint64 generation = m_generation;
    setChecking(false);
    if (generation == m_generation)
        setProgressText(summaryText(m_items));
}

// ---- Primary action ---------------------------------------------------------------

void UpdateChecker::performPrimaryAction(const AppUpdateItem& row)
{
    Workspace& workspace = m_platform.workspace();
    const UpdateAvailability& a = row.availability;
    switch (a.kind()) {
    case UpdateAvailability::Kind::appStoreUpdate: {
        std::optional<QUrl> url;
        if (a.trackId())
            url = strictURL(QStringLiteral("macappstore://apps.apple.com/app/id%1").arg(*a.trackId()));
        if (!url && !row.bundleIdentifier.isEmpty())
            url = strictURL(QStringLiteral("macappstore://itunes.apple.com/app/bundleId/") + row.bundleIdentifier);
        if (url)
            workspace.open(*url);
        else
            workspace.openPath(kAppStoreApplication);
        return;
    }
    case UpdateAvailability::Kind::updateAvailable:
        // A feed may name any scheme; only web downloads are opened.
        if (a.downloadURL() && isWebURL(*a.downloadURL())) {
            workspace.open(*a.downloadURL());
            return;
        }
        break;
    default:
        break;
    }
    workspace.openPath(row.appPath);
}

} // namespace tw
