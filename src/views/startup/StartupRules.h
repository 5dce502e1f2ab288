#pragma once

// The Startup tab's rules over the engine's startup list: what the search
// shows, which entry is selected, and the texts of the detail column.

#include "engine/cleaner/RemovableItem.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace tw::startupview {

// Positions in items of the entries the search shows, in order: all of them
// for an empty search, else those whose title, category or parent name
// contains it.
QList<int> filterIndices(const QList<RemovableItem>& items, const QString& search);

// The position of the selected entry: the first shown one at path, else the
// first of all at path (a search may hide the selection), else -1.
int selectedIndex(const QList<RemovableItem>& items, const QList<int>& shown, const std::optional<QString>& path);

// The owning application's path when the entry has one, else its own path.
QString displayPath(const RemovableItem& item);
// Whether the detail offers "Show Application": an owning application, or
// an entry that is itself an application (extension exactly "app").
bool offersShowApplication(const RemovableItem& item);

// One row of the information card. A size or a path reads as one
// left-to-right run (isRun), in any layout direction.
struct InfoRow {
    QString label;
    QString value;
    bool isRun = false;
    friend bool operator==(const InfoRow&, const InfoRow&) = default;
};
// The four rows, in order, each with its fallback.
QList<InfoRow> infoRows(const RemovableItem& item, const QLocale& locale = QLocale());

// "Disable" for an enabled entry, "Enable" for a disabled one.
QString enableButtonTitle(bool isEnabled);

// The date in the locale's abbreviated style ("Mar 4, 2025") and the time
// in its short style, in local time.
QString abbreviatedDateTime(const QDateTime& when, const QLocale& locale = QLocale());

} // namespace tw::startupview
