#include "engine/updates/UpdateChecker.h"

#include "engine/updates/StoreLookup.h"
#include "engine/updates/UpdateFeed.h"
#include "engine/updates/UpdateRows.h"

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
    for (AwaitedRun& rows : m_preparations)
        rows.wait();
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
    QList<AppUpdateItem> pending = updaterows::rowsOf(apps);
    if (pending.isEmpty()) {
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

    // The channels need the bundles' files: detected on the pool, awaited on destruction.
    m_preparations.removeIf([](const AwaitedRun& rows) { return rows.isFinished(); });
    m_preparations.emplace_back(
        this, [&p = m_platform, pending = std::move(pending)] { return updaterows::completeRows(p, pending); },
        [this, generation](QList<AppUpdateItem> built) {
            if (generation != m_generation)
                return;
            setItems(std::move(built));
            if (generation == m_generation)
                runLoop();
        });
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
        m_pending = row.channel == UpdateChannel::sparkle ? appcast::checkSparkle(m_platform, row, m_options, done)
                                                          : appstore::checkAppStore(m_platform, row, m_options, done);
        return;
    }
    finishLoop();
}

void UpdateChecker::finishLoop()
{
    resetLoop();
    const quint64 generation = m_generation;
    setChecking(false);
    if (generation == m_generation)
        setProgressText(updaterows::summaryText(m_items));
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
