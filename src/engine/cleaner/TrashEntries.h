#pragma once

// The rules of a Trash run over removable entries, apart from the engine
// object: the moves and what the list holds afterwards.

#include "engine/cleaner/RemovableItem.h"
#include "engine/inventory/RemovalReport.h"

namespace tw {

class Platform;

namespace cleaner {

// Whether a file that several targets name is tried once or for each.
enum class RepeatedFiles { tryOnce, tryEach };

// Moves every file of every target into the Trash, one at a time. A file goes
// only when the safety test allows it (a refusal fails with
// removal::refused()); each failure names its entry's title. Any thread;
// blocks while a move waits for an administrator.
RemovalReport trashEntries(const Platform& platform, const QList<RemovableItem>& targets,
                           RepeatedFiles repeated = RepeatedFiles::tryEach);

// The list after the entries tried were handed to the Trash, matched by
// path (which outlives a rescan while the files move): every other entry
// and every tried one of which any file is among failedPaths (still on
// disk, still ticked), in list order: an entry leaves only when all of its
// files moved. failed names the entries kept that way; changed says whether
// any tried entry was listed.
struct EntriesAfterTrash {
    QList<RemovableItem> kept;
    QStringList failed;
    bool changed = false;
};
EntriesAfterTrash entriesAfterTrash(const QList<RemovableItem>& list, const QList<RemovableItem>& tried,
                                    const QStringList& failedPaths);

} // namespace cleaner

} // namespace tw
