// Moving removable entries (remains, extensions, a cleanup offer's
// leftovers) into the Trash, and the lists afterwards.

#include "engine/cleaner/CleanerSupport.h"
#include "engine/cleaner/SystemCleaner.h"

#include "engine/cleaner/TrashEntries.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"

namespace tw {

namespace {

QStringList filesOf(const RemovableItem& item)
{
    return item.relatedPaths.isEmpty() ? QStringList{item.path} : item.relatedPaths;
}

// Moves one of an entry's files, unless the safety test refuses it (a
// refusal stands, whatever the file is called); the report says which.
void trashFile(const Platform& platform, const QString& file, const RemovableItem& item, RemovalReport& report)
{
    if (!safety::isSafeToRemove(platform.fs(), file))
        report.failures << RemovalFailure{file, item.title, removal::refused()};
    else if (!platform.fs().existsNoFollow(file))
        report.gone << file;  // an earlier change took it
    else
        report.add(file, privilegedtrash::moveToTrash(platform, file), item.title);
}

} // namespace

namespace cleaner {

RemovalReport trashEntries(const Platform& platform, const QList<RemovableItem>& targets, RepeatedFiles repeated)
{
    RemovalReport report;
    QSet<QString> seen;
    for (const RemovableItem& item : targets) {
        report.attemptedEntries << item.path;
        for (const QString& file : filesOf(item))
            if (repeated == RepeatedFiles::tryEach || cleaner::firstSeen(seen, file))
                trashFile(platform, file, item, report);
    }
    return report;
}

EntriesAfterTrash entriesAfterTrash(const QList<RemovableItem>& list, const QList<RemovableItem>& tried,
                                    const QStringList& failedPaths)
{
    QSet<QString> paths;
    for (const RemovableItem& t : tried)
        paths.insert(t.path);
    const QSet<QString> failed(failedPaths.begin(), failedPaths.end());
    EntriesAfterTrash after;
    for (const RemovableItem& r : list) {
        if (!paths.contains(r.path)) {
            after.kept << r;
            continue;
        }
        after.changed = true;
        const QStringList files = filesOf(r);
        if (std::any_of(files.begin(), files.end(), [&](const QString& p) { return failed.contains(p); })) {
            after.kept << r;
            after.failed << r.title;
        }
    }
    return after;
}

} // namespace cleaner

namespace {

// The list after a Trash run over tried, or nullopt when none of them was
// listed; notes the entries kept for a failure in the report.
std::optional<QList<RemovableItem>> listAfterTrash(const QList<RemovableItem>& list, const QList<RemovableItem>& tried,
                                                   RemovalReport& report)
{
    cleaner::EntriesAfterTrash after = cleaner::entriesAfterTrash(list, tried, report.failedPaths());
    report.keptEntries = after.failed;
    if (!after.changed)
        return std::nullopt;
    return std::move(after.kept);
}

} // namespace

void SystemCleaner::trashSelected(const QList<RemovableItem>& items, Completion<RemovalReport> then)
{
    QList<RemovableItem> targets;
    for (const RemovableItem& item : items)
        if (item.isSelected)
            targets << item;
    trashEntries(targets, Listed::remains, std::move(then));
}

void SystemCleaner::trashExtensions(const QList<RemovableItem>& targets, Completion<RemovalReport> then)
{
    trashEntries(targets, Listed::extensions, std::move(then));
}

void SystemCleaner::trashEntries(const QList<RemovableItem>& targets, Listed listed, Completion<RemovalReport> then)
{
    // The remains' files are each tried once; an extension's line is told for each entry naming it.
    const cleaner::RepeatedFiles repeated =
        listed == Listed::remains ? cleaner::RepeatedFiles::tryOnce : cleaner::RepeatedFiles::tryEach;
    m_changes.run<RemovalReport>(
        [p = &m_platform, targets, repeated] { return cleaner::trashEntries(*p, targets, repeated); },
        [this, targets, listed](RemovalReport& report) {
            if (!report.moved.isEmpty())
                rescanIfScanning(listed == Listed::remains ? Scan::Remaining : Scan::Extensions);
            const QList<RemovableItem>& list = listed == Listed::remains ? m_remainingFiles : m_extensions;
            std::optional<QList<RemovableItem>> kept = listAfterTrash(list, targets, report);
            if (!kept)
                return;
            if (listed == Listed::remains)
                setRemainingFiles(std::move(*kept));
            else
                setExtensions(std::move(*kept));
        },
        std::move(then));
}

} // namespace tw
