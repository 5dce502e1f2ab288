#pragma once

// The remains finder: support files in the user's library whose application
// is no longer installed, one entry per probable application.

#include "engine/cleaner/RemovableItem.h"
#include "platform/Platform.h"

#include <QSet>

namespace tw::remains {

QList<RemovableItem> findOrphans(const Platform& p, const QSet<QString>& knownBundleIds,
                                 const QSet<QString>& knownNames);

} // namespace tw::remains
