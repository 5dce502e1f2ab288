// The cleaner engine: published lists and their scans.

#include "engine/cleaner/SystemCleaner.h"

#include "engine/cleaner/Extensions.h"
#include "engine/cleaner/Remains.h"
#include "engine/cleaner/StartupItems.h"
#include "platform/Delivery.h"

namespace tw {

SystemCleaner::SystemCleaner(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_loaders{remains::findOrphans, extensions::loadAllExtensions}
{
    connect(&m_changes, &RemovalLane::busyChanged, this, &SystemCleaner::removingChanged);
}

void SystemCleaner::setRemainingFiles(QList<RemovableItem> items)
{
    const qsizetype before = m_remainingFiles.size();
    m_remainingFiles = std::move(items);
    emit remainingFilesChanged();
    if (m_remainingFiles.size() != before)
        emit orphanCountChanged();
}

void SystemCleaner::setRemainSelected(const QUuid& id, bool selected)
{
    const auto it = std::find_if(m_remainingFiles.begin(), m_remainingFiles.end(),
                                 [&](const RemovableItem& r) { return r.id == id; });
    if (it == m_remainingFiles.end() || it->isSelected == selected)
        return;
    it->isSelected = selected;
    emit remainingFilesChanged();
}

void SystemCleaner::setStartupItems(QList<RemovableItem> items)
{
    m_startupItems = std::move(items);
    emit startupItemsChanged();
}

void SystemCleaner::setExtensions(QList<RemovableItem> items)
{
    m_extensions = std::move(items);
    emit extensionsChanged();
}

void SystemCleaner::setScanFlag(Scan scan, bool value)
{
    bool& flag = scanState(scan).running;
    if (flag == value)
        return;
    flag = value;
    emit scanningChanged();
}

void SystemCleaner::setProgressMessage(const QString& message)
{
    if (m_progressMessage == message)
        return;
    m_progressMessage = message;
    emit progressMessageChanged();
}

void SystemCleaner::runScan(Scan scan, const QString& message, Loader loader)
{
    ScanState& state = scanState(scan);
    const int ticket = ++state.started;
    state.message = message;
    state.loader = loader;
    setScanFlag(scan, true);
    setProgressMessage(message);
    runInBackground(this, std::move(loader), [this, scan, ticket](QList<RemovableItem> items) {
        if (ticket == scanState(scan).started)
            publishScan(scan, std::move(items));
    });
}

void SystemCleaner::rescanIfScanning(Scan scan)
{
    if (const ScanState& state = scanState(scan); state.running)
        runScan(scan, state.message, state.loader);
}

void SystemCleaner::publishScan(Scan scan, QList<RemovableItem> items)
{
    switch (scan) {
    case Scan::Remaining:
        setRemainingFiles(std::move(items));
        break;
    case Scan::Startup:
        setStartupItems(std::move(items));
        break;
    case Scan::Extensions:
        setExtensions(std::move(items));
        break;
    }
    setScanFlag(scan, false);
    setProgressMessage(QString());
}

void SystemCleaner::scanRemainingFiles(const QSet<QString>& knownBundleIds, const QSet<QString>& knownNames,
                                       Rescan rescan)
{
    if (isScanningRemaining() && rescan == Rescan::IfIdle)
        return;
    runScan(Scan::Remaining, QStringLiteral("Looking for remaining files…"),
            [p = &m_platform, find = m_loaders.remains, knownBundleIds, knownNames] {
                return find(*p, knownBundleIds, knownNames);
            });
}

void SystemCleaner::scanStartupItems()
{
    runScan(Scan::Startup, QStringLiteral("Scanning startup items…"),
            [p = &m_platform] { return startup::loadStartupItems(*p); });
}

void SystemCleaner::scanExtensions()
{
    runScan(Scan::Extensions, QStringLiteral("Scanning extensions…"),
            [p = &m_platform, load = m_loaders.extensions] { return load(*p); });
}

} // namespace tw
