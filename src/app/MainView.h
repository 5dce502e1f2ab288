#pragma once

#include "app/SidebarIcons.h"
#include "app/Theme.h"
#include "app/WorkspaceComponents.h"
#include "engine/inventory/Models.h"

#include <QAbstractButton>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace tw {

class AppNavigation;
class AppScanner;
class SystemCleaner;
class ThemeGlassBackground;

// What every workspace may read: the engines and the shared state.
struct WorkspaceEnvironment {
    AppScanner& scanner;
    SystemCleaner& cleaner;
    AppNavigation& navigation;
    ThemeManager& theme;
};

// The makers of the tabs' workspaces that live in other parts of the program
// (Applications, Startup, Updates, Extensions, Network, System). Each part
// registers its own at start; a tab without one shows a PendingWorkspace.
namespace WorkspaceFactories {
using Factory = std::function<QWidget*(const WorkspaceEnvironment&)>;
void set(SidebarTab tab, Factory factory);
Factory get(SidebarTab tab);
} // namespace WorkspaceFactories

// Stands in for a tab whose own workspace has not been built yet: the
// workspace frame with the product title and empty columns. Later work
// replaces it by registering the tab's factory in WorkspaceFactories.
class PendingWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit PendingWorkspace(SidebarTab tab, QWidget* parent = nullptr);
    SidebarTab tab() const { return m_tab; }

private:
    SidebarTab m_tab;
};

// The glyph of a tab's pill.
SidebarGlyph glyphFor(SidebarTab tab);

// The maker's name at the foot of the sidebar; opens the maker's website.
class MakerFooterButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MakerFooterButton(QWidget* parent = nullptr);
    static QColor textColour(AppAppearance a);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The fixed-width column of pills: one per tab (System last), then the
// Theme and Preferences pills and the maker's name, on a neon glass card.
class IconSidebar : public QWidget {
    Q_OBJECT
public:
    explicit IconSidebar(AppNavigation& navigation, QWidget* parent = nullptr);

    static constexpr int sidebarWidth() { return 188; }
    // The tab pills in order, then the Theme pill.
    const QList<NeonPillButton*>& tabPills() const { return m_tabPills; }
    NeonPillButton* themePill() const { return m_themePill; }
    NeonPillButton* preferencesPill() const { return m_preferencesPill; }
    MakerFooterButton* footer() const { return m_footer; }
    NeonGlassPanel* panel() const { return m_panel; }
    NeonPillButton* pill(SidebarTab tab) const;

    // The tabs that get a pill in the column, in order.
    static QList<SidebarTab> columnTabs();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncSelection();

    AppNavigation& m_navigation;
    NeonGlassPanel* m_panel;
    QList<NeonPillButton*> m_tabPills;
    NeonPillButton* m_themePill;
    NeonPillButton* m_preferencesPill;
    MakerFooterButton* m_footer;
};

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
