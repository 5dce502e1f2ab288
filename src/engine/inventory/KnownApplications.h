#pragma once

#include "engine/inventory/ModelsFwd.h"

#include <QList>
#include <QSet>
#include <QString>

namespace tw {

// The bundle identifiers and names of the installed applications, as the
// records hold them (no change of case, no trimming): what the remains
// finder is told is installed.
struct KnownApplications {
    QSet<QString> bundleIds;
    QSet<QString> names;
};

// Every single application of the list; a group counts as its members, never
// as itself.
KnownApplications knownApplications(const QList<AppInfoPtr>& apps);

} // namespace tw
