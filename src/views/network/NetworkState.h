#pragma once

#include "engine/inventory/Models.h"

#include <QObject>

namespace tw {

class AppScanner;
class Workspace;

// The Network tab without its widgets: the user's applications (system
// applications left out) filtered by the search, and the selected record,
// which stays selected while a search or a new scan hides it. GUI thread only.
class NetworkState : public QObject {
    Q_OBJECT
public:
    NetworkState(AppScanner& scanner, Workspace& workspace, QObject* parent = nullptr);

    static inline const QString firewallSettingsAddress =
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Firewall");

    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    // The listed records in the scanner's order; groups as they stand.
    const QList<AppInfoPtr>& apps() const { return m_apps; }
    const AppInfoPtr& selected() const { return m_selected; }
    void select(const AppInfoPtr& app);
    // Hands the firewall settings address to the workspace service; nothing
    // here changes.
    void openFirewallSettings();

signals:
    void appsChanged();
    void selectionChanged();

private:
    void recompute();

    AppScanner& m_scanner;
    Workspace& m_workspace;
    QString m_searchText;
    QList<AppInfoPtr> m_apps;
    AppInfoPtr m_selected;
};

} // namespace tw
