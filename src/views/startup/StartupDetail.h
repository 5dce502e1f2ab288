#pragma once

#include "engine/cleaner/RemovableItem.h"

#include <QList>
#include <QWidget>

class QLabel;
class QScrollArea;
class QStackedWidget;

namespace tw {

class PushButton;
class FeatureEmptyState;
class IconView;
class StartupState;
class WrappingText;

// The Startup tab's detail column: the header, then the placeholder while
// nothing is selected, else the selected item's identity card ("Show
// Application" when it belongs to an application or is one), its
// information card and the Enable/Disable and Remove buttons. It shows what
// the state's selected entry holds, again at every change of it; every
// button goes through the state.
class StartupDetail : public QWidget {
    Q_OBJECT
public:
    explicit StartupDetail(StartupState& state, QWidget* parent = nullptr);

    // Shows the state's selected entry (or the placeholder).
    void refresh();
    // The buttons while a change runs: no press, a spinner on the one that started it.
    void showBusy();

    bool showsPlaceholder() const;
    FeatureEmptyState* placeholder() const { return m_placeholder; }
    WrappingText* titleText() const { return m_title; }
    QLabel* categoryLabel() const { return m_category; }
    PushButton* showApplicationButton() const { return m_showApplication; }
    PushButton* enableButton() const { return m_enable; }
    PushButton* removeButton() const { return m_remove; }
    // The information rows' values, in order.
    QStringList infoValues() const;

private:
    QWidget* makeHeader();
    QWidget* makeSelectionPage();
    QWidget* makeIdentityCard();
    QWidget* makeInfoCard();
    QWidget* makeButtonBar();

    StartupState& m_state;
    QStackedWidget* m_pages;
    FeatureEmptyState* m_placeholder;
    QScrollArea* m_scroll;
    IconView* m_icon;
    WrappingText* m_title;
    QLabel* m_category;
    PushButton* m_showApplication;
    QList<WrappingText*> m_values;
    PushButton* m_enable;
    PushButton* m_remove;
};

} // namespace tw
