#pragma once

#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QList>

class QAbstractButton;
class QStackedWidget;

namespace tw {

class FilterBar;
class LazyList;
class TextButton;
class TintedLabel;
class UpdateDetail;
class UpdatesState;

// The Updates tab: the search row with the check button, the rows by update
// channel (or the progress of a check, or the empty state), the show-all
// toggle, and the selected row's detail. Checks by itself when it appears
// and applications are known (see UpdatesState).
class UpdatesWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit UpdatesWorkspace(const WorkspaceEnvironment& env, QWidget* parent = nullptr);

    UpdatesState& state() const { return *m_state; }
    FilterBar* searchRow() const { return m_searchRow; }
    QAbstractButton* checkButton() const;
    // The middle region's pages, in UpdatesState::Region order.
    QStackedWidget* region() const { return m_region; }
    TintedLabel* progressLabel() const { return m_progressLabel; }
    LazyList* list() const { return m_list; }
    TintedLabel* emptyTitle() const { return m_emptyTitle; }
    TextButton* emptyShowAllButton() const { return m_emptyToggle; }
    TextButton* showAllButton() const { return m_toggle; }
    TintedLabel* bottomText() const { return m_bottomText; }
    UpdateDetail* detailColumn() const { return m_detail; }

    // One line of the list: a section's header (row -1) or one of its rows.
    struct Line {
        int section;
        int row;
    };
    const QList<Line>& lines() const { return m_lines; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeProgressPage();
    QWidget* makeEmptyPage();
    QWidget* makeBottomBar();
    void makeList();
    void refresh();

    UpdatesState* m_state;
    FilterBar* m_searchRow;
    QStackedWidget* m_region;
    TintedLabel* m_progressLabel = nullptr;
    LazyList* m_list = nullptr;
    TintedLabel* m_emptyTitle = nullptr;
    TextButton* m_emptyToggle = nullptr;
    TextButton* m_toggle = nullptr;
    TintedLabel* m_bottomText = nullptr;
    UpdateDetail* m_detail = nullptr;
    QList<Line> m_lines;
};

} // namespace tw
