#pragma once

#include "state/EnumValues.h"

#include <QMetaType>
#include <QString>

#include <optional>

namespace tw {

// The three themes; classic is the light one.
enum class AppAppearance { midnight, classic, indigo };

template <>
const QList<AppAppearance>& allCases<AppAppearance>();
QString rawValue(AppAppearance appearance);
QString nameKey(AppAppearance appearance);         // "theme.<raw>"
QString descriptionKey(AppAppearance appearance);  // "theme.<raw>_desc"
QString displayName(AppAppearance appearance);     // translated
QString description(AppAppearance appearance);     // translated
// A stored theme text: "classic" and "indigo" name their theme, anything
// else (absent, other words, other letter case) is midnight.
AppAppearance appearanceFromStored(const std::optional<QString>& stored);
inline bool isDark(AppAppearance a) { return a != AppAppearance::classic; }

} // namespace tw

Q_DECLARE_METATYPE(tw::AppAppearance)
