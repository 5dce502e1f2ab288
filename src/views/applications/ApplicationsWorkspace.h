#pragma once

#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QPropertyAnimation>
#include <QUrl>

class QLineEdit;
class QStackedWidget;

namespace tw {

class AppDetailPanel;
class AppListController;
class ApplicationsState;
class EmptyRemainsPanel;
class EmptyUninstallPanel;
class LazyList;
class NeonSwitch;
class ProgressIndicator;
class PushButton;
class RemainDetailPanel;
class RemainsFlow;
class SegmentedControl;
class SortMenuButton;
class SymbolButton;
class UninstallFlow;

// The Applications tab: the segment picker, search and order over the list
// of applications (or of remains), and the detail column with the advance
// mode switch, the selected application's (or remains entry's) panel and the
// action button. An application bundle dropped on the empty panel selects
// that application.
class ApplicationsWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit ApplicationsWorkspace(const WorkspaceEnvironment& env, QWidget* parent = nullptr);
    ~ApplicationsWorkspace() override;

    ApplicationsState& state() const { return *m_state; }
    AppListController& appList() const { return *m_appList; }

    // What the list area shows.
    enum class ListState { scanningApps, apps, scanningRemains, noRemains, remains };
    ListState listState() const;
    // What the detail column shows.
    enum class DetailState { emptyUninstall, application, emptyRemains, remain };
    DetailState detailState() const;

    // The drop on the empty panel's zone: always taken. Each URL of an
    // application bundle switches to the applications segment and, when a
    // top-level entry of the list has that very path, selects it and scans
    // its leftovers; anything else does nothing, as does a drop while the
    // tab is busy.
    bool handleDrop(const QList<QUrl>& urls);

    // A removal of either engine runs (from this tab or elsewhere): the
    // action button shows it.
    bool isRemoving() const;
    // Also while a flow of the tab asks or waits for its report: the tab
    // takes no second press or drop.
    bool isBusy() const;

    // The parts, for tests and for the work that extends the tab.
    SegmentedControl* segmentPicker() const { return m_segments; }
    SymbolButton* searchToggle() const { return m_searchToggle; }
    QWidget* searchRow() const { return m_searchRow; }
    QLineEdit* searchField() const { return m_searchField; }
    SortMenuButton* sortButton() const { return m_sort; }
    // The list area: one page per ListState, in that order.
    QStackedWidget* listArea() const { return m_lists; }
    LazyList* appsList() const { return m_appsList; }
    LazyList* remainsList() const { return m_remainsList; }
    PushButton* scanAgainButton() const { return m_scanAgain; }
    NeonSwitch* advanceSwitch() const { return m_advanceSwitch; }
    QWidget* fullTreeLabel() const { return m_fullTreeLabel; }
    EmptyUninstallPanel* emptyPanel() const { return m_emptyPanel; }
    AppDetailPanel* detailPanel() const { return m_detailPanel; }
    RemainDetailPanel* remainPanel() const { return m_remainPanel; }
    PushButton* actionButton() const { return m_action; }

private:
    QWidget* makeHeader();
    QWidget* makeListArea();
    QWidget* makeTopBar();
    QWidget* makeBottomBar();
    void makeDetailColumn();
    void connectModels();
    void segmentChanged();
    void updateListArea();
    void updateRemainsList();
    void bindRemainCard(QWidget* card, int row);
    void dropArrived(const QString& bundlePath);
    void updateDetail();
    void updateActionButton();
    void watchSelection();
    void showSearchField(bool shown);
    void press();

    WorkspaceEnvironment m_env;
    ApplicationsState* m_state;
    UninstallFlow* m_flow;
    RemainsFlow* m_remains;
    AppListController* m_appList = nullptr;
    QList<int> m_remainRows;
    QList<QMetaObject::Connection> m_selectionWatches;
    QPointer<QPropertyAnimation> m_searchAnimation;

    SegmentedControl* m_segments = nullptr;
    SymbolButton* m_searchToggle = nullptr;
    QWidget* m_searchRow = nullptr;
    QLineEdit* m_searchField = nullptr;
    SortMenuButton* m_sort = nullptr;
    QStackedWidget* m_lists = nullptr;
    LazyList* m_appsList = nullptr;
    LazyList* m_remainsList = nullptr;
    PushButton* m_scanAgain = nullptr;
    NeonSwitch* m_advanceSwitch = nullptr;
    QWidget* m_fullTreeLabel = nullptr;
    QStackedWidget* m_details = nullptr;
    EmptyUninstallPanel* m_emptyPanel = nullptr;
    AppDetailPanel* m_detailPanel = nullptr;
    RemainDetailPanel* m_remainPanel = nullptr;
    PushButton* m_action = nullptr;
};

} // namespace tw
