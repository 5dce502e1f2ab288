#pragma once

#include "state/NavigationTypes.h"
#include "engine/inventory/Models.h"

#include <QObject>
#include <QWidgetList>

#include <optional>

class QWidget;

namespace tw {

// What the main window shows and what waits for the user. Not persisted:
// every launch starts on the System tab.
class AppNavigation : public QObject {
    Q_OBJECT
public:
    explicit AppNavigation(QObject* parent = nullptr);
    static AppNavigation& shared();

    SidebarTab tab() const { return m_tab; }
    void setTab(SidebarTab tab);
    AppsSegment appsSegment() const { return m_appsSegment; }
    void setAppsSegment(AppsSegment segment);
    // The menu bar's open quick-preview card; none when no card is open.
    std::optional<SidebarTab> menuCategory() const { return m_menuCategory; }
    void setMenuCategory(std::optional<SidebarTab> category);
    bool showPreferences() const { return m_showPreferences; }
    void setShowPreferences(bool show);
    // The cleanup offer waiting for the user's answer.
    const std::optional<RemainCleanupOffer>& remainOffer() const { return m_remainOffer; }
    void setRemainOffer(std::optional<RemainCleanupOffer> offer);

    // Brings the main window forward: sets the tab and segment, then shows,
    // raises and activates the best window (see pickMainWindow), or sends
    // reopenMainWindow when there is none. With showPreferences the sheet is
    // asked for again a quarter of a second later.
    void openMainWindow(std::optional<SidebarTab> tab, bool showRemains, bool showPreferences);

    // The window openMainWindow brings forward among the given top-level
    // widgets: the largest (by frame area) that is not a panel (a tool,
    // popup, tooltip or splash window), has content (a central widget, a
    // layout or a child widget) and is at least 500 x 400; hidden windows
    // count. Among equal areas the first in the list wins. Null when none
    // qualifies.
    static QWidget* pickMainWindow(const QWidgetList& windows);
    // The application's top-level windows, in the order their native windows
    // were created; windows never shown come last.
    static QWidgetList applicationWindows();

    // How long openMainWindow waits before asking for the preferences again.
    static constexpr int preferencesDelayMs = 250;

signals:
    void tabChanged(tw::SidebarTab tab);
    void appsSegmentChanged(tw::AppsSegment segment);
    void menuCategoryChanged();
    void showPreferencesChanged(bool show);
    void remainOfferChanged();

private:
    SidebarTab m_tab = SidebarTab::system;
    AppsSegment m_appsSegment = AppsSegment::apps;
    std::optional<SidebarTab> m_menuCategory;
    bool m_showPreferences = false;
    std::optional<RemainCleanupOffer> m_remainOffer;
};

} // namespace tw
