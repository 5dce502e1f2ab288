// The cleaner engine: published lists, their scans and the extension groups.

#include "engine/cleaner/SystemCleaner.h"
#include "platform/ThreadPool.h"

#include <QPointer>
#include <QThreadPool>

namespace tw {

const QList<ExtensionCategoryKind>& allExtensionCategories()
{
    static const QList<ExtensionCategoryKind> all{
        ExtensionCategoryKind::installationFiles, ExtensionCategoryKind::browserExtensions,
        ExtensionCategoryKind::screenSavers,      ExtensionCategoryKind::settingsPanes,
        ExtensionCategoryKind::internetPlugins,   ExtensionCategoryKind::widgets};
    return all;
}

QString displayName(ExtensionCategoryKind kind)
{
    switch (kind) {
    case ExtensionCategoryKind::installationFiles: return QStringLiteral("Installation Files");
    case ExtensionCategoryKind::browserExtensions: return QStringLiteral("Web Browser Extensions");
    case ExtensionCategoryKind::screenSavers: return QStringLiteral("Screen Savers");
    case ExtensionCategoryKind::settingsPanes: return QStringLiteral("Settings Panes");
    case ExtensionCategoryKind::internetPlugins: return QStringLiteral("Internet Plugins");
    case ExtensionCategoryKind::widgets: return QStringLiteral("Widgets");
    }
    return {};
}

std::optional<ExtensionCategoryKind> extensionCategoryFromString(const QString& text)
{
    for (ExtensionCategoryKind kind : allExtensionCategories())
        if (displayName(kind) == text)
            return kind;
    return std::nullopt;
}

SystemCleaner::SystemCleaner(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
{
}

void SystemCleaner::setRemainingFiles(QList<RemovableItem> items)
{
    m_remainingFiles = std::move(items);
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

void SystemCleaner::setOrphanCountForMenuBar(int count)
{
    if (m_orphanCountForMenuBar == count)
        return;
    m_orphanCountForMenuBar = count;
    emit orphanCountChanged();
}

void SystemCleaner::setScanFlag(Scan scan, bool value)
{
    bool& flag = scan == Scan::Remaining ? m_isScanningRemaining
        : scan == Scan::Startup          ? m_isScanningStartup
                                         : m_isScanningExtensions;
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

void SystemCleaner::runScan(Scan scan, const QString& message, std::function<QList<RemovableItem>()> loader)
{
    setScanFlag(scan, true);
    setProgressMessage(message);
    QPointer<SystemCleaner> self(this);
    enginePool().start([self, scan, loader = std::move(loader)] {
        QList<RemovableItem> items = loader();
        QMetaObject::invokeMethod(self, [self, scan, items = std::move(items)]() mutable {
            if (!self)
                return;
            const int count = int(items.size());
            switch (scan) {
            case Scan::Remaining:
                self->setRemainingFiles(std::move(items));
                self->setOrphanCountForMenuBar(count);
                break;
            case Scan::Startup:
                self->setStartupItems(std::move(items));
                break;
            case Scan::Extensions:
                self->setExtensions(std::move(items));
                break;
            }
            self->setScanFlag(scan, false);
            self->setProgressMessage(QString());
        }, Qt::QueuedConnection);
    });
}

void SystemCleaner::scanRemainingFiles(const QSet<QString>& knownBundleIds, const QSet<QString>& knownNames, bool force)
{
    if (m_isScanningRemaining && !force)
        return;
    const Platform* p = &m_platform;
    runScan(Scan::Remaining, QStringLiteral("Looking for remaining files…"),
            [p, knownBundleIds, knownNames] { return findOrphans(*p, knownBundleIds, knownNames); });
}

void SystemCleaner::scanStartupItems()
{
    const Platform* p = &m_platform;
    runScan(Scan::Startup, QStringLiteral("Scanning startup items…"), [p] { return loadStartupItems(*p); });
}

void SystemCleaner::scanExtensions()
{
    const Platform* p = &m_platform;
    runScan(Scan::Extensions, QStringLiteral("Scanning extensions…"), [p] { return loadAllExtensions(*p); });
}

} // namespace tw
