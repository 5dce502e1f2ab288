#pragma once

// The decisions of the Uninstall button: which application goes and what the
// confirmation says. The scanner's uninstall updates the lists itself.

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
    // the bundle ticked; else "Move <n> related file(s) ...". Both in English,
    // whatever the interface language.
    QString informative;
};
UninstallConfirmation uninstallConfirmation(const AppInfo& target);

} // namespace tw::apps
