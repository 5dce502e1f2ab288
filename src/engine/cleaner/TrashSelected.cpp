// Moving the selected remains (or any removable entries) into the Trash.

#include "engine/cleaner/CleanerSupport.h"
#include "engine/cleaner/SystemCleaner.h"

#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"

namespace tw {

TrashReport SystemCleaner::trashSelected(const QList<RemovableItem>& items)
{
    TrashReport report;
    QSet<QString> seen;
    for (const RemovableItem& item : items) {
        if (!item.isSelected)
            continue;
        const QStringList paths = item.relatedPaths.isEmpty() ? QStringList{item.path} : item.relatedPaths;
        for (const QString& p : paths) {
            if (!cleaner::firstSeen(seen, p))
                continue;
            // Refused and failed paths stay silently; the report says which.
            const bool moved = safety::isSafeToRemove(m_platform.fs(), p) && PrivilegedTrash::moveToTrash(m_platform, p);
            (moved ? report.moved : report.failed) << p;
        }
    }
    return report;
}

} // namespace tw
