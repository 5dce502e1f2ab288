#pragma once

// The leftover finder: which files outside a bundle belong to its application.

#include "engine/inventory/Drafts.h"
#include "engine/inventory/SearchRoot.h"
#include "platform/Platform.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace tw {
class LeftoverSearchCache;
}

namespace tw::leftovers {

// Every leftover of one application that passes the safety test and the
// ownership rules, pruned of nested hits, sized, in category order and then
// by name. roots replaces the default search roots; cache shares listings
// and sizes between searches (one is made for this search when none is
// given).
std::vector<LeftoverItem> findLeftovers(const Platform& p, const QString& bundleId, const QString& name,
                                        const std::optional<std::vector<SearchRoot>>& roots,
                                        const std::optional<QString>& excludeAppPath,
                                        LeftoverSearchCache* cache = nullptr);
// Drops every item that lies inside another item of the list.
std::vector<LeftoverItem> pruneNestedLeftovers(std::vector<LeftoverItem> items);
// The eighteen category labels in their display order.
const QStringList& leftoverCategoryOrder();

} // namespace tw::leftovers
