#pragma once

#include "state/NavigationTypes.h"
#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace tw {

class Settings;

// The Applications tab's own state (search, order, selections, flags), the
// two lists it derives from the engines and the rules by which rows are
// selected. Everything runs on the GUI thread and never waits for a scan.
class ApplicationsState : public QObject {
    Q_OBJECT
public:
    ApplicationsState(AppScanner& scanner, SystemCleaner& cleaner, Settings& settings, QObject* parent = nullptr);

    static inline const QString advanceModeKey = QStringLiteral("advanceModeEnabled");

    AppScanner& scanner() const { return m_scanner; }
    SystemCleaner& cleaner() const { return m_cleaner; }

    // The search filters both lists, also while its field is hidden.
    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    bool showSearchField() const { return m_showSearchField; }
    void toggleSearchField();
    // One order for both segments.
    AppSort sort() const { return m_sort; }
    void setSort(AppSort sort);
    // The full-tree switch, stored under advanceModeKey as soon as it changes.
    bool advanceMode() const { return m_advanceMode; }
    void setAdvanceMode(bool on);
    // A dragged item hovers over the drop zone.
    bool isDropTargeted() const { return m_isDropTargeted; }
    void setDropTargeted(bool on);

    // The selected application, group or member; kept while searching,
    // sorting and switching segments.
    const AppInfoPtr& selectedApp() const { return m_selectedApp; }
    void setSelectedApp(AppInfoPtr app);
    // A snapshot of the selected remains entry.
    const std::optional<RemovableItem>& selectedRemain() const { return m_selectedRemain; }
    void setSelectedRemain(std::optional<RemovableItem> item);

    // The lists, computed from the engines' current lists on every call.
    QList<AppInfoPtr> filteredApps() const;
    QList<RemovableItem> filteredRemains() const;
    QList<int> filteredRemainIndices() const;

    // A click on an application or group row: selects it; scans a single
    // application's leftovers while it has none; a group row expands or
    // collapses and scans its first member when that has none.
    void selectApp(const AppInfoPtr& app);
    // A click on a member row: expands the group, selects the member, scans
    // its leftovers while it has none.
    void selectMember(const AppInfoPtr& member, const AppInfoPtr& group);
    // A click on a remains row: selects a copy of the entry with that id as
    // the cleaner's list holds it now; an entry that is gone selects nothing.
    void selectRemain(const QUuid& id);
    // A remains row's checkbox: the tick of the entry with that id, written
    // into the cleaner's list in place; an entry that is gone is left alone.
    bool isRemainTicked(const QUuid& id) const;
    void setRemainTicked(QUuid id, bool on);

    // What the detail column shows in the applications segment (null: the
    // empty uninstall panel).
    AppInfoPtr detailSubject() const;

    // Whether the action button acts in a segment: an application is selected
    // (apps), or any entry of the whole remains list is ticked (remains).
    bool canAct(AppsSegment segment) const;

signals:
    void searchTextChanged();
    void showSearchFieldChanged(bool shown);
    void sortChanged();
    void advanceModeChanged(bool on);
    void dropTargetedChanged(bool on);
    void selectedAppChanged();
    void selectedRemainChanged();

private:
    void scanWhenEmpty(const AppInfoPtr& app);

    AppScanner& m_scanner;
    SystemCleaner& m_cleaner;
    Settings& m_settings;

    QString m_searchText;
    AppSort m_sort = AppSort::name;
    AppInfoPtr m_selectedApp;
    std::optional<RemovableItem> m_selectedRemain;
    bool m_isDropTargeted = false;
    bool m_showSearchField = false;
    bool m_advanceMode = false;
};

} // namespace tw
