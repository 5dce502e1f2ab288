// Switching startup items on and off, and removing them.

#include "engine/cleaner/StartupControl.h"

#include "engine/cleaner/CleanerSupport.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

namespace tw::startup {

using namespace cleaner;

namespace {

// A failure whose description is the message the user reads.
Error message(const QString& text)
{
    return {kAppErrorDomain, 0, text};
}

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

Status loginItemOutcome(const Status& run, const QString& fallback)
{
    if (run)
        return {};
    if (run.error().isUnavailable())
        return message(QStringLiteral("AppleScript unavailable."));
    return message(run.error().description.isEmpty() ? fallback : run.error().description);
}

} // namespace

Status addLoginItem(const Platform& p, const QString& path)
{
    return loginItemOutcome(p.loginItems().add(path), QStringLiteral("Could not add login item."));
}

Status removeLoginItem(const Platform& p, const QString& name, const QString& path)
{
    return loginItemOutcome(p.loginItems().remove(name, path), QStringLiteral("Could not remove login item."));
}

Status applyEnabled(const Platform& p, const RemovableItem& item, bool enabled)
{
    if (item.category == kLoginItemCategory)
        return enabled ? addLoginItem(p, item.path) : removeLoginItem(p, item.title, item.path);
    if (path::extension(item.path) != QLatin1String("plist"))
        return message(QStringLiteral("Unsupported startup item."));

    const FileSystem& fs = p.fs();
    const auto job = plist::readDictionary(fs, item.path);
    const QString label =
        plist::string(job.value_or(QVariantMap()), QStringLiteral("Label")).value_or(path::baseName(item.path));
    // A file reached through a link is not touched, nor handed to launchd;
    // and a job whose file still says otherwise would come back at the next login.
    const Rewrite rewrite =
        liesWhereNamed(fs, item.path) ? rewriteDisabledKey(fs, item.path, job, enabled) : Rewrite::Failed;
    if (rewrite == Rewrite::Failed || (!enabled && rewrite == Rewrite::Unreadable))
        return message((enabled ? QStringLiteral("Could not enable ") : QStringLiteral("Could not disable ")) + label
                       + QLatin1Char('.'));

    const QString domain = launchdDomain(p, item.path);
    const Result<ProcessOutput> run = p.launchd().launchctl(
        {enabled ? QStringLiteral("bootstrap") : QStringLiteral("bootout"), domain, item.path});
    // A tool that cannot start, and a failed bootout (say, of a job that
    // was not loaded), are no error.
    if (!run || run->exitCode == 0 || !enabled)
        return {};

    const QString error = decodeUtf8(run->standardError).value_or(QString());
    const Result<ProcessOutput> retry =
        p.launchd().launchctl({QStringLiteral("enable"), domain + QLatin1Char('/') + label});
    if (retry && retry->exitCode == 0)
        return {};
    return message(error.isEmpty() ? QStringLiteral("Could not enable ") + label + QLatin1Char('.') : error);
}

bool liesWhereNamed(const FileSystem& fs, const QString& plistPath)
{
    const QString file = path::standardized(plistPath);
    return fs.resolvingParents(file) == std::optional<QString>(file);
}

} // namespace tw::startup

namespace tw {

namespace {

// The first startup entry with that path, or -1.
qsizetype indexOfPath(const QList<RemovableItem>& items, const QString& path)
{
    const auto it = std::find_if(items.cbegin(), items.cend(), [&](const RemovableItem& item) { return item.path == path; });
    return it == items.cend() ? -1 : it - items.cbegin();
}

// A refusal of the engine's own, with the message to show.
Error startupError(const QString& message)
{
    return {kAppErrorDomain, 1, message};
}

} // namespace

Status SystemCleaner::setStartupItemEnabled(const QString& path, bool enabled)
{
    const qsizetype index = indexOfPath(m_startupItems, path);
    if (index < 0)
        return startupError(QStringLiteral("Item not found."));
    const RemovableItem item = m_startupItems[index];
    if (Status applied = startup::applyEnabled(m_platform, item, enabled); !applied)
        return applied;
    m_startupItems[index].isEnabled = enabled;
    emit startupItemsChanged();
    return {};
}

Status SystemCleaner::removeStartupItem(const QString& path)
{
    const qsizetype index = indexOfPath(m_startupItems, path);
    if (index < 0)
        return startupError(QStringLiteral("Item not found."));
    const RemovableItem item = m_startupItems[index];

    // Stop it first; whether that works does not decide the removal.
    (void)startup::applyEnabled(m_platform, item, false);

    const bool isPlist = path::extension(item.path) == QLatin1String("plist");
    if (item.category == cleaner::kLoginItemCategory) {
        if (const Status removed = startup::removeLoginItem(m_platform, item.title, item.path); !removed) {
            if (!isPlist)
                return removed;
            if (const Status moved = privilegedtrash::moveToTrash(m_platform, item.path); !moved)
                return Error{removed.error().domain, removed.error().code,
                             removed.error().description + QStringLiteral(" / ") + moved.error().description};
        }
    } else {
        // A job file reached through a link stays; other files pass the safety test.
        const bool allowed = isPlist ? startup::liesWhereNamed(m_platform.fs(), item.path)
                                     : safety::isSafeToRemove(m_platform.fs(), item.path);
        if (!allowed)
            return startupError(QStringLiteral("This startup file is protected."));
        if (Status moved = privilegedtrash::moveToTrash(m_platform, item.path); !moved)
            return moved;
    }

    m_startupItems.removeAt(index);
    emit startupItemsChanged();
    return {};
}

} // namespace tw
