#pragma once

// The rows of the advanced file tree: the application's bundle under
// "Executables", then one section per category of its leftovers.

#include "engine/inventory/Models.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace tw::apps {

// The symbol of a category label (exact, case-sensitive): Caches a drive,
// Containers and Group Containers a box, Preferences a gear, Logs a text
// file, Launch Agents and Daemons a bolt, Application Support a folder, any
// other a plain file.
QString categorySymbol(const QString& category);

struct OutlineRow {
    enum class Kind { header, bundle, file };
    Kind kind;
    QString title;             // a header's
    QString symbol;            // a header's, or a file's category symbol
    std::optional<int> count;  // a category header's number of files
    LeftoverPtr file;
};

// The executables header (no count) and the bundle, then for each category
// label in the order it first occurs in the leftovers its header and files,
// in list order.
std::vector<OutlineRow> outlineRows(const AppInfo& app);

} // namespace tw::apps
