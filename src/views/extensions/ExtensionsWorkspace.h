#pragma once

#include "views/extensions/ExtensionsState.h"
#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QList>

#include <vector>

class QStackedWidget;

namespace tw {

class AppKitCheckbox;
class ExtensionCategoryRow;
class ExtensionEmptyView;
class FilterBar;
class LazyList;
class Prompter;
class Workspace;

class PullDownButton;
class PushButton;

// The Extensions tab: the six kinds with their figures in the middle
// column; the chosen kind's entries in folding groups, with Select All, the
// order menu and the Remove button, in the detail column. Failures of a
// removal are told in one alert.
class ExtensionsWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit ExtensionsWorkspace(const WorkspaceEnvironment& env, QWidget* parent = nullptr);

    ExtensionsState& state() { return m_state; }
    FilterBar* searchBar() const { return m_search; }
    ExtensionCategoryRow* categoryRow(ExtensionCategoryKind kind) const { return m_categoryRows[int(kind)]; }
    AppKitCheckbox* selectAllBox() const { return m_selectAll; }
    PullDownButton* sortMenu() const { return m_sort; }
    PushButton* removeButton() const { return m_remove; }
    LazyList* list() const { return m_list; }
    // What the detail column's body shows now: the progress, the empty text or the list.
    QWidget* shownBody() const;
    QWidget* shownCategoryBody() const;
    ExtensionEmptyView* emptyView() const { return m_empty; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildCategoryColumn();
    QWidget* buildHeader();
    QWidget* buildControls();
    QWidget* buildFooter();
    void setUpList();
    void connectState();
    void rebuildRows();
    void showFigures();
    void showBody();
    void showSelection();
    void showFooter();
    void tellRemoveError();

    // One row of the detail list: a group's header (item < 0) or one of its items.
    struct ListRow {
        int group;
        int item;
    };

    ExtensionsState m_state;
    Prompter& m_prompter;
    Workspace& m_files;
    bool m_appeared = false;

    FilterBar* m_search = nullptr;
    QStackedWidget* m_categoryStack = nullptr;
    QList<ExtensionCategoryRow*> m_categoryRows;
    AppKitCheckbox* m_selectAll = nullptr;
    PullDownButton* m_sort = nullptr;
    QStackedWidget* m_bodyStack = nullptr;
    ExtensionEmptyView* m_empty = nullptr;
    LazyList* m_list = nullptr;
    PushButton* m_remove = nullptr;
    std::vector<ListRow> m_rows;
};

} // namespace tw
