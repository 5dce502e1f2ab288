#pragma once

#include "engine/inventory/RemovalReport.h"
#include "platform/Platform.h"

namespace tw {

// The one place that removes anything from disk, and only ever by moving it
// into the Trash: as the user first, then with an administrator-authorised
// move when the user lacks the rights.
namespace privilegedtrash {

// Succeeds when the item is in the Trash (moved) or did not exist (gone,
// also when another change took it while this one was under way).
Result<Trashed> moveToTrash(const Platform& p, const QString& path);

// Asks every running application that is this bundle or contains it to quit,
// then waits 0.4 seconds.
void quitRunningApp(const Platform& p, const QString& bundlePath);

Status moveToTrashElevated(const Platform& p, const QString& path);
QString uniqueTrashName(const FileSystem& fs, const QString& name, const QString& directory);
bool isOwnedByRoot(const FileSystem& fs, const QString& path);

} // namespace privilegedtrash

} // namespace tw
