#pragma once

// The records of Models.h by name, for headers that only pass them on.

#include <memory>

namespace tw {

class AppInfo;
class LeftoverFile;
struct RemainCleanupOffer;
using AppInfoPtr = std::shared_ptr<AppInfo>;
using LeftoverPtr = std::shared_ptr<LeftoverFile>;

} // namespace tw
