#pragma once

#include "engine/cleaner/RemovableItem.h"

#include <QSet>
#include <QStringList>

namespace tw {
class Platform;
}

namespace tw::extensions {

struct RemovalOutcome {
    QSet<QString> attempted;  // the path of every target, moved or not
    QStringList failures;     // one line per file that stayed, in run order
};

// Moves every file of every target into the Trash, one at a time. A file goes
// only when the safety test allows it; a refused file adds the item's title,
// a failed move "title: reason". Any thread; blocks while a move waits for an
// administrator.
RemovalOutcome trashTargets(const Platform& platform, const QList<RemovableItem>& targets);

} // namespace tw::extensions
