#pragma once

// Building one application's record from its bundle, and what else its
// Info.plist declares.

#include "engine/inventory/Drafts.h"
#include "platform/DiskUsage.h"
#include "platform/Platform.h"

#include <QStringList>

#include <optional>

namespace tw::record {

// How a bundle is measured: the quick walk of du, or the sum of its files.
enum class Sizing { Quick, Full };

// sizeWatch, with quick sizing: sees the entries of one folder of the bundle
// as the size walk meets them.
AppDraft buildAppInfo(const Platform& p, const QString& bundle, Sizing sizing,
                      const DiskUsage::Watch* sizeWatch = nullptr);
bool isBuiltInOrSystemApp(const QString& path, const QString& bundleId);
// The metadata index's last-used date, else the latest plausible file date.
std::optional<QDateTime> resolvedLastUsed(const Platform& p, const QString& bundle);
// The file extensions the bundle declares for its documents, sorted, each with its dot.
QStringList documentTypeExtensions(const FileSystem& fs, const QString& bundle);

} // namespace tw::record
