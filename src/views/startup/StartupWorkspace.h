#pragma once

#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceEnvironment.h"

class QLabel;
class QStackedWidget;

namespace tw {

class FilterBar;
class LazyList;
class ProgressIndicator;
class StartupDetail;
class StartupState;

// The Startup tab: the workspace frame around the list column (the search
// row, then "Scanning…" while a scan runs, the empty text when nothing is
// shown, else a card per shown item) and the detail column. Each time it is
// shown it scans when the engine holds no items.
class StartupWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit StartupWorkspace(const WorkspaceEnvironment& env, QWidget* parent = nullptr);
    ~StartupWorkspace() override;

    enum class ListContent { scanning, empty, list };
    ListContent listContent() const;

    StartupState& state() const { return *m_state; }
    FilterBar* searchRow() const { return m_search; }
    LazyList* list() const { return m_list; }
    QLabel* emptyLabel() const { return m_empty; }
    StartupDetail* detailColumn() const { return m_detail; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildListColumn();
    void listChanged();
    void scanningChanged();

    StartupState* m_state;
    FilterBar* m_search = nullptr;
    QStackedWidget* m_content = nullptr;
    ProgressIndicator* m_progress = nullptr;
    QLabel* m_empty = nullptr;
    LazyList* m_list = nullptr;
    StartupDetail* m_detail = nullptr;
};

} // namespace tw
