#pragma once

// The texts of the application detail panel that depend on the record.

#include "engine/inventory/Models.h"

#include <QString>

namespace tw::apps {

// How a version or an identifier goes into a line: as it is (the text the
// panel reports), or as one left-to-right run, for drawing (text::leftToRight,
// text::labelled).
enum class Run { plain, drawn };

// The bundle row's name: the application's name, then " v." and the version when it has one.
QString bundleDisplayName(const AppInfo& app, Run run = Run::plain);

// The header's developer and verification lines: the translated label alone,
// or in advance mode the label, " · " and the developer or the bundle
// identifier (which may be empty).
QString developerLine(const AppInfo& app, bool advanceMode, Run run = Run::plain);
QString verificationLine(const AppInfo& app, bool advanceMode, Run run = Run::plain);

} // namespace tw::apps
