// Switching startup items on and off, and removing them.

#include "engine/cleaner/CleanerSupport.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

namespace tw {

using namespace cleaner;

namespace {

QString launchdDomain(const Platform& p, const QString& plistPath)
{
    if (plistPath.startsWith(QLatin1String("/Library/LaunchDaemons")))
        return QStringLiteral("system");
    return QStringLiteral("gui/") + QString::number(p.launchd().userId());
}

enum class Rewrite { Written, Unchanged, Unreadable, Failed };

// Puts the "Disabled" key into the job's property list (disabling) or takes
// it out (enabling). The file is written only when it changes.
Rewrite rewriteDisabledKey(const FileSystem& fs, const QString& plistPath, std::optional<QVariantMap> job, bool enabled)
{
    if (!job)
        return Rewrite::Unreadable;
    const QString key = QStringLiteral("Disabled");
    if (enabled) {
        if (!job->contains(key))
            return Rewrite::Unchanged;
        job->remove(key);
    } else {
        if (isTrue(*job, key))
            return Rewrite::Unchanged;
        job->insert(key, true);
    }
    return plist::writeXml(fs, plistPath, *job) ? Rewrite::Written : Rewrite::Failed;
}

std::optional<QString> loginItemFailure(const ScriptResult& run, const QString& fallback)
{
    if (!run.created)
        return QStringLiteral("AppleScript unavailable.");
    if (run.ok)
        return std::nullopt;
    return run.errorMessage.value_or(fallback);
}

} // namespace

std::optional<QString> SystemCleaner::addLoginItem(const Platform& p, const QString& path)
{
    return loginItemFailure(p.loginItems().add(path), QStringLiteral("Could not add login item."));
}

std::optional<QString> SystemCleaner::removeLoginItem(const Platform& p, const QString& name, const QString& path)
{
    return loginItemFailure(p.loginItems().remove(name, path), QStringLiteral("Could not remove login item."));
}

std::optional<QString> SystemCleaner::applyStartupEnabled(const Platform& p, const RemovableItem& item, bool enabled)
{
    if (item.category == kLoginItemCategory)
        return enabled ? addLoginItem(p, item.path) : removeLoginItem(p, item.title, item.path);
    if (path::extension(item.path) != QLatin1String("plist"))
        return QStringLiteral("Unsupported startup item.");

    const FileSystem& fs = p.fs();
    const auto job = plist::readDictionary(fs, item.path);
    const QString label =
        plist::string(job.value_or(QVariantMap()), QStringLiteral("Label")).value_or(path::baseName(item.path));
    const Rewrite rewrite = rewriteDisabledKey(fs, item.path, job, enabled);
    // A job whose file still says otherwise would come back at the next login.
    if (rewrite == Rewrite::Failed || (!enabled && rewrite == Rewrite::Unreadable))
        return (enabled ? QStringLiteral("Could not enable ") : QStringLiteral("Could not disable ")) + label
            + QLatin1Char('.');

    const QString domain = launchdDomain(p, item.path);
    const ProcessResult run = p.launchd().launchctl(
        {enabled ? QStringLiteral("bootstrap") : QStringLiteral("bootout"), domain, item.path});
    if (!run.started)
        return std::nullopt;
    // A failed bootout (say, of a job that was not loaded) is no error.
    if (run.exitCode == 0 || !enabled)
        return std::nullopt;

    const QString error = decodeUtf8(run.standardError).value_or(QString());
    const ProcessResult retry = p.launchd().launchctl({QStringLiteral("enable"), domain + QLatin1Char('/') + label});
    if (retry.started && retry.exitCode == 0)
        return std::nullopt;
    if (!error.isEmpty())
        return error;
    return QStringLiteral("Could not enable ") + label + QLatin1Char('.');
}

// The first startup entry with that path, or -1.
static qsizetype indexOfPath(const QList<RemovableItem>& items, const QString& path)
{
    const auto it = std::find_if(items.cbegin(), items.cend(), [&](const RemovableItem& item) { return item.path == path; });
    return it == items.cend() ? -1 : it - items.cbegin();
}

std::optional<QString> SystemCleaner::setStartupItemEnabled(const QString& path, bool enabled)
{
    const qsizetype index = indexOfPath(m_startupItems, path);
    if (index < 0)
        return QStringLiteral("Item not found.");
    const RemovableItem item = m_startupItems[index];
    if (auto message = applyStartupEnabled(m_platform, item, enabled))
        return message;
    m_startupItems[index].isEnabled = enabled;
    emit startupItemsChanged();
    return std::nullopt;
}

std::optional<QString> SystemCleaner::removeStartupItem(const QString& path)
{
    const qsizetype index = indexOfPath(m_startupItems, path);
    if (index < 0)
        return QStringLiteral("Item not found.");
    const RemovableItem item = m_startupItems[index];

    // Stop it first; whether that works does not decide the removal.
    applyStartupEnabled(m_platform, item, false);

    const bool isPlist = path::extension(item.path) == QLatin1String("plist");
    if (item.category == kLoginItemCategory) {
        if (auto message = removeLoginItem(m_platform, item.title, item.path)) {
            if (!isPlist)
                return message;
            if (const auto error = PrivilegedTrash::moveToTrash(m_platform, item.path))
                return *message + QStringLiteral(" / ") + error->description;
        }
    } else {
        if (!isPlist && !AppScanner::isSafeToRemove(m_platform.fs(), item.path))
            return QStringLiteral("This startup file is protected.");
        if (const auto error = PrivilegedTrash::moveToTrash(m_platform, item.path))
            return error->description;
    }

    m_startupItems.removeAt(index);
    emit startupItemsChanged();
    return std::nullopt;
}

} // namespace tw
