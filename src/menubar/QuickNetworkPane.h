#pragma once

#include "menubar/QuickAppListPane.h"

namespace tw {

// The side panel's network pane: the same applications as the applications
// pane, each marked "Allowed" with a green check mark. It reads no firewall
// state and takes no clicks.
class QuickNetworkPane : public QuickAppListPane {
    Q_OBJECT
public:
    explicit QuickNetworkPane(AppScanner& scanner, QWidget* parent = nullptr);

    // The check mark's green.
    static QColor allowedColour();

protected:
    void addControls(QuickListRow* row) override;
    void bindRow(QuickListRow* row, const AppInfoPtr& app) override;
};

} // namespace tw
