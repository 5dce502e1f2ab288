#include "views/extensions/ExtensionRemoval.h"

#include "engine/inventory/AppScanner.h"
#include "engine/inventory/PrivilegedTrash.h"

namespace tw::extensions {

RemovalOutcome trashTargets(const Platform& platform, const QList<RemovableItem>& targets)
{
    RemovalOutcome outcome;
    for (const RemovableItem& item : targets) {
        outcome.attempted.insert(item.path);
        const QStringList files = item.relatedPaths.isEmpty() ? QStringList{item.path} : item.relatedPaths;
        for (const QString& file : files) {
            // A refusal of the safety test stands, whatever the file is called.
            if (!AppScanner::isSafeToRemove(platform.fs(), file)) {
                outcome.failures << item.title;
                continue;
            }
            if (const auto error = PrivilegedTrash::moveToTrash(platform, file))
                outcome.failures << item.title + QStringLiteral(": ") + error->description;
        }
    }
    return outcome;
}

} // namespace tw::extensions
