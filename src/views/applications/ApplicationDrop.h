#pragma once

// The rules of an application bundle dropped on the empty uninstall panel.

#include "engine/inventory/ModelsFwd.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace tw {
class FileSystem;
}

namespace tw::apps {

// A dropped URL that names an application bundle: a file URL whose
// extension is exactly "app" (case counts). Gives its logical path; "" for a
// bundle outside the mapped root or in a form other than the standard one
// (a trailing slash, "..": the comparison is plain equality), which matches
// no listed application. nullopt for anything else.
std::optional<QString> droppedBundlePath(const QUrl& url, const FileSystem& fs);

// The first top-level entry whose bundle path is path (group members are not
// searched); null for none.
AppInfoPtr listedApplication(const QList<AppInfoPtr>& apps, const QString& path);

} // namespace tw::apps
