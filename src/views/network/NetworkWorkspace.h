#pragma once

#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceEnvironment.h"

class QStackedWidget;

namespace tw {

class FilterBar;
class IconView;
class LazyList;
class NetworkState;
class PushButton;
class TintedLabel;

// The Network tab: the user's applications with a search row, and for the
// selected one the firewall guidance and the button that opens the
// system's firewall settings. Starts no scan of its own.
class NetworkWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit NetworkWorkspace(const WorkspaceEnvironment& env, QWidget* parent = nullptr);

    NetworkState& state() const { return *m_state; }
    FilterBar* searchRow() const { return m_searchRow; }
    LazyList* list() const { return m_list; }
    // The placeholder (page 0) or the selected application (page 1).
    QStackedWidget* detailPages() const { return m_pages; }
    TintedLabel* nameLabel() const { return m_name; }
    PushButton* firewallButton() const { return m_button; }

private:
    void makeList();
    QWidget* makeDetail();
    void showSelection();

    NetworkState* m_state;
    FilterBar* m_searchRow;
    LazyList* m_list = nullptr;
    QStackedWidget* m_pages;
    IconView* m_icon = nullptr;
    TintedLabel* m_name = nullptr;
    PushButton* m_button = nullptr;
};

} // namespace tw
