#pragma once

#include "menubar/QuickAppListPane.h"

#include <QUuid>

#include <functional>
#include <optional>

namespace tw {

class Prompter;

namespace quick {

// Asks the scanner to uninstall a list entry whole (AppScanner::uninstallEntry,
// which updates its list); done then gets the message of what stopped it, if
// anything, on the GUI thread while context lives.
void uninstallEntry(AppScanner& scanner, const AppInfoPtr& entry, QObject* context,
                    std::function<void(std::optional<QString>)> done);

} // namespace quick

// The side panel's applications pane: the user's applications with their
// sizes, each with an "Uninstall" button that asks first and reports a
// failure in an alert. While an uninstall runs (off the GUI thread, from
// here or elsewhere) no button takes a press; the one that started it turns.
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
    void setRemoving(const QUuid& id);

    Prompter& m_prompter;
    bool m_asking = false;  // the confirmation is up
    QUuid m_removing;       // the entry whose uninstall this pane started
};

} // namespace tw
