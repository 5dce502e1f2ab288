#pragma once

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/Models.h"
#include "views/kit/Prompter.h"

#include <QList>
#include <QString>

namespace tw {

// The alert that offers to remove what an application left behind after it
// was moved to the Trash outside the program.
namespace cleanupofferalert {
QString title(const RemainCleanupOffer& offer);
QString message(const RemainCleanupOffer& offer);
// The offer's leftovers as removable items, all selected, in the offer's order.
QList<RemovableItem> removableItems(const RemainCleanupOffer& offer);
inline QString removeButtonText() { return QStringLiteral("Remove Remaining Files"); }
inline QString laterButtonText() { return QStringLiteral("Later"); }
// What the user is told when some leftovers did not move: the first three
// paths, one a line with its reason (removal::failureLine), then "…and N
// more." for the rest.
Prompt failureAlert(const QList<RemovalFailure>& failed);
} // namespace cleanupofferalert

} // namespace tw
