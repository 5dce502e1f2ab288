#pragma once

#include "menubar/QuickAppListPane.h"

#include <optional>

namespace tw {

class Prompter;

namespace quick {

// Uninstalls a list entry: each member of a group (or the entry itself)
// with its ticked leftovers and its bundle, in order, stopping at the first
// failure. When all went, the entry leaves the scanner's list; when one
// failed, the members already in the Trash leave the group (and its size)
// and the group stays while any member remains. Either way in one published
// write. Returns the failure's message, if any.
std::optional<QString> uninstallEntry(AppScanner& scanner, const AppInfoPtr& entry);

} // namespace quick

// The side panel's applications pane: the user's applications with their
// sizes, each with an "Uninstall" button that asks first and reports a
// failure in an alert.
class QuickApplicationsPane : public QuickAppListPane {
    Q_OBJECT
public:
    QuickApplicationsPane(AppScanner& scanner, Prompter& prompter, QWidget* parent = nullptr);

    // The row button's action: the confirmation, then the uninstall.
    void confirmUninstall(const AppInfoPtr& app);

protected:
    void addControls(QuickListRow* row) override;
    void bindRow(QuickListRow* row, const AppInfoPtr& app) override;

private:
    Prompter& m_prompter;
    bool m_busy = false;
};

} // namespace tw
