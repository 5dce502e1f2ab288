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

// A refusal of the engine's own, with the message to show.
Error startupError(const QString& text)
{
    return {kAppErrorDomain, 1, text};
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

Status removeItem(const Platform& p, const RemovableItem& item)
{
    // Stop it first; whether that works does not decide the removal.
    (void)applyEnabled(p, item, false);

    const bool isPlist = path::extension(item.path) == QLatin1String("plist");
    if (item.category == kLoginItemCategory) {
        const Status removed = removeLoginItem(p, item.title, item.path);
        if (removed || !isPlist)
            return removed;
        if (const Result<Trashed> moved = privilegedtrash::moveToTrash(p, item.path); !moved)
            return Error{removed.error().domain, removed.error().code,
                         removed.error().description + QStringLiteral(" / ") + moved.error().description};
        return {};
    }
    // A job file reached through a link stays; other files pass the safety test.
    const bool allowed = isPlist ? liesWhereNamed(p.fs(), item.path) : safety::isSafeToRemove(p.fs(), item.path);
    if (!allowed)
        return startupError(QStringLiteral("This startup file is protected."));
    if (const Result<Trashed> moved = privilegedtrash::moveToTrash(p, item.path); !moved)
        return moved.error();
    return {};
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

} // namespace

void SystemCleaner::changeStartupItem(const QString& path, std::function<Status(const RemovableItem&)> work,
                                      std::function<void(qsizetype)> apply, Completion<Status> then)
{
    const qsizetype index = indexOfPath(m_startupItems, path);
    std::optional<RemovableItem> item;
    if (index >= 0)
        item = m_startupItems[index];
    m_changes.run<Status>(
        [item, work = std::move(work)] {
            return item ? work(*item) : Status(startup::startupError(QStringLiteral("Item not found.")));
        },
        [this, path, apply = std::move(apply)](Status& outcome) {
            if (outcome.ok())
                rescanIfScanning(Scan::Startup);
            // The entry as listed now: a scan may have made the list anew meanwhile.
            if (const qsizetype now = indexOfPath(m_startupItems, path); outcome.ok() && now >= 0)
                apply(now);
        },
        std::move(then));
}

void SystemCleaner::setStartupItemEnabled(const QString& path, bool enabled, Completion<Status> then)
{
    changeStartupItem(
        path, [p = &m_platform, enabled](const RemovableItem& item) { return startup::applyEnabled(*p, item, enabled); },
        [this, enabled](qsizetype index) {
            m_startupItems[index].isEnabled = enabled;
            emit startupItemsChanged();
        },
        std::move(then));
}

void SystemCleaner::removeStartupItem(const QString& path, Completion<Status> then)
{
    changeStartupItem(
        path, [p = &m_platform](const RemovableItem& item) { return startup::removeItem(*p, item); },
        [this](qsizetype index) {
            m_startupItems.removeAt(index);
            emit startupItemsChanged();
        },
        std::move(then));
}

} // namespace tw
