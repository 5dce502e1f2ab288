#pragma once

// Switching one startup item on or off, or removing it: launchd jobs through their property
// list and launchctl, login items through the login-item service. Each
// failure's description is the message to show.

#include "engine/cleaner/RemovableItem.h"
#include "platform/Platform.h"

namespace tw::startup {

Status applyEnabled(const Platform& p, const RemovableItem& item, bool enabled);
// Stops the item, then unregisters the login item or moves its file into
// the Trash (a launch job's file only where it is named, any other through
// the safety test). Any thread.
Status removeItem(const Platform& p, const RemovableItem& item);
// A job's file the controls may rewrite or move: it lies where its path
// names it, inside the root, with no link on the way (a launch folder that
// is a link leads elsewhere).
bool liesWhereNamed(const FileSystem& fs, const QString& plistPath);
Status addLoginItem(const Platform& p, const QString& path);
Status removeLoginItem(const Platform& p, const QString& name, const QString& path);

} // namespace tw::startup
