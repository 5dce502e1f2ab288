#pragma once

#include "engine/inventory/ModelsFwd.h"

#include <QList>
#include <QWidget>

namespace tw {

class AppScanner;
class LazyList;
class PaneHeader;
class PaneSearchField;
class QuickListRow;

namespace quick {

// The rows of the applications and network panes: the scanner's entries in
// its order without the system applications, a group as one entry, narrowed
// to the names containing search when it is not empty.
QList<AppInfoPtr> visibleApps(const QList<AppInfoPtr>& apps, const QString& search);

} // namespace quick

// A quick pane listing the scanner's applications (visibleApps): the
// header, the search field, a rule, then one QuickListRow per entry. The
// list follows the scanner; an empty list leaves the area blank. Subclasses
// add each row's controls.
class QuickAppListPane : public QWidget {
    Q_OBJECT
public:
    const QString& searchText() const { return m_search; }
    void setSearchText(const QString& text);
    // The entries shown, in order.
    const QList<AppInfoPtr>& apps() const { return m_apps; }

    PaneHeader* header() const { return m_header; }
    PaneSearchField* searchField() const { return m_searchField; }
    LazyList* list() const { return m_list; }
    // The row showing entry i, or null when it is not in view.
    QuickListRow* rowFor(int i) const;

protected:
    QuickAppListPane(AppScanner& scanner, const QString& title, const QString& subtitle,
                     const QString& placeholder, QWidget* parent);
    // Called once the subclass is built: fills the list.
    void start();
    virtual void addControls(QuickListRow* row) = 0;
    virtual void bindRow(QuickListRow* row, const AppInfoPtr& app) = 0;

    AppScanner& scanner() const { return m_scanner; }

private:
    void refilter();

    AppScanner& m_scanner;
    QString m_search;
    QList<AppInfoPtr> m_apps;
    PaneHeader* m_header;
    PaneSearchField* m_searchField;
    LazyList* m_list;
};

} // namespace tw
