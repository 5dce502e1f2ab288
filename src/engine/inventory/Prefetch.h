#pragma once

// The leftover-size prefetch's work and the privacy permission count.

#include "engine/inventory/Drafts.h"
#include "platform/Platform.h"

#include <functional>
#include <vector>

namespace tw::prefetch {

struct Query {
    QString bundleId;
    QString name;
    QString appPath;
};

// One application's figures.
struct Figures {
    std::vector<LeftoverItem> leftovers;
    int privacyPermissionCount = 0;
};

// The distinct services the privacy databases (the user's and the system's)
// grant to the identifier; 0 when neither can be read.
int privacyPermissionCount(const Platform& p, const QString& bundleId, const QString& appPath);

// The prefetch's work, from the calling thread: the leftover searches run in
// parallel, at most four at a time and in list order, sharing one listing cache,
// while the permission counts are taken one after another beside them; all
// on the engine pool. done runs on a worker thread as each query's figures
// are complete; skipSearch(i) true leaves the leftovers of query i
// unsearched (its count is still taken).
void prefetchLeftovers(const Platform& p, const std::vector<Query>& queries,
                       const std::function<bool(size_t)>& skipSearch,
                       const std::function<void(size_t, Figures)>& done);

} // namespace tw::prefetch
