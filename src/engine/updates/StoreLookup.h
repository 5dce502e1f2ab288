#pragma once

// The App Store lookup: its address for a bundle identifier and the row
// state its answer gives.

#include "engine/updates/UpdateCheck.h"

#include <optional>

namespace tw::appstore {

// base + "/lookup?bundleId=<id>&entity=macSoftware"; none for an empty identifier.
std::optional<QUrl> appStoreLookupURL(const QUrl& base, const QString& bundleId);
UpdateAvailability appStoreResult(const HttpResponse& response, const QString& installedVersion);
// Looks the row's identifier up; without one the row is launchToUpdate.
// Also declared in UpdateCheck.h, whose steps it uses.
std::unique_ptr<UpdateCheck> checkAppStore(const Platform& p, const AppUpdateItem& item,
                                           const UpdateRequestOptions& options, UpdateDone done);

} // namespace tw::appstore
