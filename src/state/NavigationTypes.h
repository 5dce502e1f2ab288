#pragma once

#include "state/EnumValues.h"

#include <QString>

namespace tw {

// The main window's tabs, the Applications tab's segments and its sort orders.
enum class SidebarTab { applications, startup, updates, extensions, network, system, theme };
enum class AppsSegment { apps, remains };
enum class AppSort { name, size, date };

template <>
const QList<SidebarTab>& allCases<SidebarTab>();
template <>
const QList<AppsSegment>& allCases<AppsSegment>();
template <>
const QList<AppSort>& allCases<AppSort>();

QString rawValue(SidebarTab tab);
QString rawValue(AppsSegment segment);
QString rawValue(AppSort sort);

// The tab's translated title ("tab.<raw>").
QString pillTitle(SidebarTab tab);
// "segment.<raw>" and "sort.<raw>", translated.
QString title(AppsSegment segment);
QString title(AppSort sort);

} // namespace tw
