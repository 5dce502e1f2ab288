#pragma once

#include "state/AppAppearance.h"
#include "engine/updates/UpdateModels.h"

#include <QColor>
#include <QString>

#include <optional>

namespace tw {

// The fixed English texts an update row and its detail card show for the
// row's state.
namespace updatetexts {

// "Installed version 1.2", or "Version unknown".
QString versionLine(const AppUpdateItem& item);

// A row's third line: the found version (in the accent) for an update, the
// status label for launch to update; none in the other states.
struct StatusLine {
    QString text;
    bool emphasised = false;
};
std::optional<StatusLine> statusLine(const AppUpdateItem& item);
bool hasStatusLine(const UpdateAvailability& a);

// The primary button: "Update", "Launch the App Store", "Launch", or a
// disabled "…" while the row waits or is checked.
QString actionCaption(const UpdateAvailability& a);
bool actionEnabled(const UpdateAvailability& a);

// The detail card's version block and sentence.
QString installedVersion(const AppUpdateItem& item);  // "—" when empty
QString availableVersion(const AppUpdateItem& item);
QString message(const UpdateAvailability& a);
// The accent for an up-to-date row, the classic blue in every other state.
QColor detailButtonTint(const UpdateAvailability& a, AppAppearance appearance);

} // namespace updatetexts

} // namespace tw
