// Moving removable entries (remains, extensions, a cleanup offer's
// leftovers) into the Trash, and the lists afterwards.

#include "engine/cleaner/CleanerSupport.h"
#include "engine/cleaner/SystemCleaner.h"

#include "engine/cleaner/TrashEntries.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"
#include "platform/Delivery.h"

#include <QPointer>

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
    else if (const Status moved = privilegedtrash::moveToTrash(platform, file); !moved)
        report.failures << RemovalFailure{file, item.title, moved.error()};
    else
        report.moved << file;
}

} // namespace

namespace cleaner {

RemovalReport trashEntries(const Platform& platform, const QList<RemovableItem>& targets)
{
    RemovalReport report;
    for (const RemovableItem& item : targets) {
        report.attemptedEntries << item.path;
        for (const QString& file : filesOf(item))
            trashFile(platform, file, item, report);
    }
    return report;
}

EntriesAfterTrash entriesAfterTrash(const QList<RemovableItem>& list, const QList<RemovableItem>& tried,
                                    const QStringList& failedPaths, EntryPolicy policy)
{
    // An entry tried on the GUI thread is the listed one (its id); one tried
    // on the pool is known by its path, which outlives a rescan.
    QSet<QUuid> ids;
    QSet<QString> paths;
    for (const RemovableItem& t : tried) {
        ids.insert(t.id);
        paths.insert(t.path);
    }
    auto wasTried = [&](const RemovableItem& r) {
        return policy == EntryPolicy::DropAttempted ? paths.contains(r.path) : ids.contains(r.id);
    };
    const QSet<QString> failed(failedPaths.begin(), failedPaths.end());
    EntriesAfterTrash after;
    for (const RemovableItem& r : list) {
        if (!wasTried(r)) {
            after.kept << r;
            continue;
        }
        after.changed = true;
        if (policy == EntryPolicy::DropAttempted)
            continue;
        const QStringList paths = filesOf(r);
        if (std::any_of(paths.begin(), paths.end(), [&](const QString& p) { return failed.contains(p); })) {
            after.kept << r;
            after.failed << r.title;
        }
    }
    return after;
}

} // namespace cleaner

namespace {

// The list after a Trash run over tried, by the policy, or nullopt when none
// of them was listed; notes the entries kept for a failure in the report.
std::optional<QList<RemovableItem>> listAfterTrash(const QList<RemovableItem>& list, const QList<RemovableItem>& tried,
                                                   RemovalReport& report, EntryPolicy policy)
{
    cleaner::EntriesAfterTrash after = cleaner::entriesAfterTrash(list, tried, report.failedPaths(), policy);
    report.keptEntries = after.failed;
    if (!after.changed)
        return std::nullopt;
    return std::move(after.kept);
}

} // namespace

RemovalReport SystemCleaner::trashSelected(const QList<RemovableItem>& items, EntryPolicy policy)
{
    RemovalReport report;
    QList<RemovableItem> tried;
    QSet<QString> seen;
    for (const RemovableItem& item : items) {
        if (!item.isSelected)
            continue;
        tried << item;
        report.attemptedEntries << item.path;
        // Refused and failed paths stay where they are.
        for (const QString& p : filesOf(item))
            if (cleaner::firstSeen(seen, p))
                trashFile(m_platform, p, item, report);
    }
    if (std::optional<QList<RemovableItem>> kept = listAfterTrash(m_remainingFiles, tried, report, policy))
        setRemainingFiles(std::move(*kept));
    return report;
}

void SystemCleaner::trashExtensions(QList<RemovableItem> targets, QObject* context,
                                    std::function<void(const RemovalReport&)> done, EntryPolicy policy)
{
    // Delivered while the engine lives: its list loses the entries even when
    // the asking view is gone by then.
    runInBackground(
        this, [p = &m_platform, targets] { return cleaner::trashEntries(*p, targets); },
        [this, targets, policy, ctx = QPointer<QObject>(context), done = std::move(done)](RemovalReport report) {
            if (std::optional<QList<RemovableItem>> kept = listAfterTrash(m_extensions, targets, report, policy))
                setExtensions(std::move(*kept));
            if (ctx && done)
                done(report);
        });
}

} // namespace tw
