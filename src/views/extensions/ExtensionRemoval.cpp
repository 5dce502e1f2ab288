#include "views/extensions/ExtensionRemoval.h"

#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"

namespace tw::extensions {

RemovalOutcome trashTargets(const Platform& platform, const QList<RemovableItem>& targets)
{
    RemovalOutcome outcome;
    for (const RemovableItem& item : targets) {
        outcome.attempted.insert(item.path);
        const QStringList files = item.relatedPaths.isEmpty() ? QStringList{item.path} : item.relatedPaths;
        for (const QString& file : files) {
            // A refusal of the safety test stands, whatever the file is called.
            if (!safety::isSafeToRemove(platform.fs(), file)) {
                outcome.failures << item.title;
                continue;
            }
            if (const Status moved = PrivilegedTrash::moveToTrash(platform, file); !moved)
                outcome.failures << item.title + QStringLiteral(": ") + moved.error().description;
        }
    }
    return outcome;
}

} // namespace tw::extensions
