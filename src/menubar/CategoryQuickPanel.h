#pragma once

#include "menubar/QuickPanes.h"
#include "state/NavigationTypes.h"

#include <QWidget>

class QLabel;

namespace tw {

class TextButton;

// The side panel's content for one category: its quick pane (from
// QuickPanes) and, for every category but updates (whose pane has a footer
// of its own), a footer with the category's name and an "Open in App" link.
// 460 x 420 points on the panel's colour. Shown with the startup category
// and no startup items known, it starts a startup scan unless one runs.
class CategoryQuickPanel : public QWidget {
    Q_OBJECT
public:
    CategoryQuickPanel(SidebarTab tab, QuickPaneEnvironment env, QWidget* parent = nullptr);

    static constexpr QSize panelSize() { return {460, 420}; }
    static constexpr qreal cornerRadius() { return 12; }
    // The footer's names: "Applications", "Startup apps", "Extensions",
    // "Network access", "System", "Theme" (updates has no footer).
    static QString footerName(SidebarTab tab);
    // The panel's colour: the card fill of the stored theme.
    static QColor background();

    SidebarTab tab() const { return m_tab; }
    // The pane; null for a category without one.
    QWidget* pane() const { return m_pane; }
    // Null for the updates category.
    QLabel* footerLabel() const { return m_footerLabel; }
    TextButton* openInApp() const { return m_openInApp; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    SidebarTab m_tab;
    QuickPaneEnvironment m_env;
    QWidget* m_pane = nullptr;
    QLabel* m_footerLabel = nullptr;
    TextButton* m_openInApp = nullptr;
};

} // namespace tw
