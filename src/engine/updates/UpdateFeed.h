#pragma once

// Reading an application's update feed: its address in the bundle, the first
// item's offer, and the row state the answer gives.

#include "engine/updates/UpdateCheck.h"

#include <optional>

namespace tw {

// What the first item of an update feed offers.
struct AppcastInfo {
    std::optional<QString> version;
    std::optional<QUrl> downloadURL;
};

} // namespace tw

namespace tw::appcast {

std::optional<QUrl> sparkleFeedURL(const Platform& p, const QString& bundle);
// Implemented in AppcastParser.cpp.
AppcastInfo parseSparkleAppcast(const QString& text);
// The row state a feed response gives against the installed version.
UpdateAvailability sparkleResult(const HttpResponse& response, const QString& installedVersion);
// Reads the feed's address again, then fetches and reads the feed. Also
// declared in UpdateCheck.h, whose steps it uses.
std::unique_ptr<UpdateCheck> checkSparkle(const Platform& p, const AppUpdateItem& item,
                                          const UpdateRequestOptions& options, UpdateDone done);

} // namespace tw::appcast
