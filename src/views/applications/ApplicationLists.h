#pragma once

// The rules behind the Applications tab's two lists: search, order, the
// detail subject and the date texts. Pure functions of the engines' lists.

#include "state/NavigationTypes.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/Models.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace tw::apps {

// The rows of the applications list: the entries whose name or bundle
// identifier (or a member's) contains the search, whole groups included,
// stably ordered by name (ascending), display size or last use (both
// descending, never-used entries last).
QList<AppInfoPtr> filterApps(const QList<AppInfoPtr>& apps, const QString& search, AppSort sort);

// Positions in remains of the entries whose title contains the search, in
// list order: by title (ascending) for the name order, by size (descending)
// for the size and date orders.
QList<int> filterRemainIndices(const QList<RemovableItem>& remains, const QString& search, AppSort sort);
QList<RemovableItem> filterRemains(const QList<RemovableItem>& remains, const QString& search, AppSort sort);

// What the detail column shows for a selection: a single application itself;
// for a group its first ticked member, else its first member; null for none.
AppInfoPtr detailSubject(const AppInfoPtr& selected);

// A date in the abbreviated style of the user's locale, without the time
// ("Nov 9, 2004" in American English).
QString abbreviatedDate(const QDateTime& when);

// The last-used text of an application row: the abbreviated date, or an em
// dash when the date is absent or not later than 9 November 2004 11:33:20 UTC.
QString lastUsedLabel(const std::optional<QDateTime>& lastUsed);
inline constexpr qint64 kLastUsedThreshold = 1'100'000'000;  // seconds since 1970

// The date text of a remains row: the abbreviated date, whatever it is, or an
// em dash when there is none.
QString modifiedLabel(const std::optional<QDateTime>& modified);

// The folder an item lies in, as rows show it: the containing folder's path
// with a leading "/Users/" dropped.
QString folderText(const QString& path);

} // namespace tw::apps
