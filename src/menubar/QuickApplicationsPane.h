#pragma once

#include "menubar/QuickAppListPane.h"

#include <optional>

namespace tw {

class Prompter;

namespace quick {

// Asks the scanner to uninstall a list entry whole (AppScanner::uninstallEntry,
// which updates its list); returns the message of what stopped it, if anything.
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
