#pragma once

// The decisions of the Uninstall button: which application goes, what the
// confirmation says, and how the lists look afterwards.

#include "engine/inventory/AppScanner.h"

#include <QString>

namespace tw::apps {

// The one application a press acts on, never a group: app itself when it is
// single; else the selected member of it; else its first ticked member; else
// its first member.
AppInfoPtr uninstallTarget(const AppInfoPtr& app, const AppInfoPtr& selectedApp);

// The confirmation's texts for the target as it is selected now.
struct UninstallConfirmation {
    QString message;      // "Uninstall <name>?"
    // "Move the app and <n> related file(s) to the Trash, freeing <size>." with
    // the bundle ticked; else, translated, "Move <n> related file(s) ...".
    QString informative;
};
UninstallConfirmation uninstallConfirmation(const AppInfo& target);

// Brings the scanner's lists in line with an uninstall that returned without
// error. With the bundle gone the application leaves the list and every
// group (a group it leaves empty goes too, one it leaves non-empty shrinks by
// its size); with the bundle kept only the leftovers that really moved leave
// the application. Both announce the change. Returns true when the bundle
// went, so the selection is to be cleared.
bool applyUninstall(AppScanner& scanner, const AppInfoPtr& target, const AppScanner::UninstallResult& result);

} // namespace tw::apps
