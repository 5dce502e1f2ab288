#pragma once

#include "state/NavigationTypes.h"
#include "state/AppAppearance.h"
#include "engine/inventory/Models.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace tw {

class IconSidebar;
class ThemeGlassBackground;

// The root of the main window: the sidebar beside the selected tab's
// workspace (made afresh on every selection). Starts the application scan
// each time it is shown (after it has painted) and the remains scan when the
// number of applications changes while no remains are known or being found.
class MainView : public QWidget {
    Q_OBJECT
public:
    explicit MainView(const WorkspaceEnvironment& env, QWidget* parent = nullptr);

    IconSidebar* sidebar() const { return m_sidebar; }
    QWidget* workspace() const { return m_workspace; }
    SidebarTab shownTab() const { return m_shownTab; }

    // The workspace background behind the selected tab.
    static QColor workspaceBackground(AppAppearance a);
    // The bundle identifiers and names of every application, group members
    // standing for their group.
    static std::pair<QSet<QString>, QSet<QString>> knownApplications(const QList<AppInfoPtr>& apps);

signals:
    // The application scan was started (after the first paint of a showing).
    void applicationScanStarted();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showTab(SidebarTab tab);
    QWidget* makeWorkspace(SidebarTab tab);
    // Starts the scan that waits for the first paint, if it still waits.
    void startPendingScan();
    void applicationCountMayHaveChanged();

    WorkspaceEnvironment m_env;
    ThemeGlassBackground* m_glass;
    QWidget* m_body;
    IconSidebar* m_sidebar;
    QWidget* m_workspaceArea;
    QPointer<QWidget> m_workspace;
    SidebarTab m_shownTab = SidebarTab::system;
    qsizetype m_lastAppCount = 0;
    bool m_scanPending = false;
    QTimer m_scanFallback;
};

} // namespace tw
